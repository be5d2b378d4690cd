// Texts in the driver: the program's texts are GBK bytes, kept here in a
// std::string; the driver converts with code page 936 named explicitly, so
// nothing depends on the driver's own ANSI code page.
#pragma once

#include <string>

namespace quorlan::e2e {

std::wstring GbkToWide(const std::string& gbk);
// Characters outside GBK become "?".
std::string WideToGbk(const std::wstring& wide);
std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);

// "Z:" and the path with "/" turned into "\": how Wine names a Unix path.
std::wstring UnixPathToWine(const std::string& unixPath);

}  // namespace quorlan::e2e
