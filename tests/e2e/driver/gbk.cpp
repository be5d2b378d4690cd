#include "driver/gbk.h"

#include <windows.h>

namespace quorlan::e2e {
namespace {

std::wstring ToWide(const std::string& bytes, UINT codePage) {
  if (bytes.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                    nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::string FromWide(const std::wstring& wide, UINT codePage, DWORD flags) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

}  // namespace

std::wstring GbkToWide(const std::string& gbk) { return ToWide(gbk, 936); }
std::string WideToGbk(const std::wstring& wide) { return FromWide(wide, 936, WC_NO_BEST_FIT_CHARS); }
std::wstring Utf8ToWide(const std::string& utf8) { return ToWide(utf8, CP_UTF8); }
std::string WideToUtf8(const std::wstring& wide) { return FromWide(wide, CP_UTF8, 0); }

std::wstring UnixPathToWine(const std::string& unixPath) {
  std::wstring path = L"Z:" + Utf8ToWide(unixPath);
  for (auto& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

}  // namespace quorlan::e2e
