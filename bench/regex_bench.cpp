// The program's regular-expression engine side by side with std::regex and
// PCRE2 (16-bit, with and without JIT) on the two workloads of the program:
//
//  * RowPattern: the resolver's row pattern over result pages of 1,000,
//    10,000 and 100,000 rows, every match and all three groups extracted;
//  * Cascade: the share-link recognizer's eight patterns over typical
//    clipboard texts, each row compiled and run afresh as the recognizer does.
//
// What each contender is given:
//  * RegexMatcher gets the GBK Text and does everything the program pays for:
//    GBK -> UTF-16, compiling, matching, and each group back to a GBK Text.
//  * std::regex is std::wregex (ECMAScript | icase | multiline) over the
//    UTF-16 code units widened to wchar_t; PCRE2 is the 16-bit library
//    (CASELESS | MULTILINE) over the UTF-16 code units. Both get the subject
//    already converted (the conversion is not timed for them) and extract
//    groups as wide strings; they compile their pattern in every iteration,
//    as the program does.
//  * ConvertOnly times GbkToWide alone over the same page, so the engine's
//    own share can be read off.
//
// Before any timing the contenders' results are compared (match counts and
// every group of the row pattern, the recognized link of every clipboard
// text); the program stops on a disagreement. std::regex recurses as it
// matches, so it is first run once per page in a forked child: a page that
// kills the child (or takes longer than a minute) is reported and left out.
#include <benchmark/benchmark.h>

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "capture/regex_matcher.h"
#include "capture/share_link.h"
#include "platform/codepage.h"
#include "platform/text.h"

namespace quorlan {
namespace {

// "<td>(.*?)</td><td>(.*?)</td><td><a target=".*?" href="(.*?)">点我下载</a>"
const char kRowPattern[] =
    "<td>(.*?)</td><td>(.*?)</td><td><a target=\".*?\" href=\"(.*?)\">"
    "\xB5\xE3\xCE\xD2\xCF\xC2\xD4\xD8"  // 点我下载
    "</a>";

// ---------------------------------------------------------------- pages --

struct Rng {
  uint64_t s;
  uint32_t Next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return static_cast<uint32_t>(s >> 11);
  }
  uint32_t Below(uint32_t n) { return Next() % n; }
};

const char16_t* const kWords[] = {
    u"第", u"集", u"中文字幕", u"高清", u"合集", u"资料", u"课程", u"讲义", u"纪录片",
    u"音乐", u"相册", u"备份", u"项目", u"文档", u"软件", u"安装包", u"完整版", u"期末",
    u"复习", u"笔记", u"视频", u"原声", u"简体", u"繁体", u"修订", u"年度", u"报告",
};
const char16_t* const kExtensions[] = {u".mp4", u".mkv", u".zip", u".rar", u".pdf", u".mp3",
                                       u".7z", u".docx", u".flac", u".iso"};
const char* const kUnits[] = {"B", "KB", "MB", "GB"};

std::u16string FileName(Rng& rng) {
  std::u16string name;
  const uint32_t words = 2 + rng.Below(4);
  for (uint32_t w = 0; w < words; ++w) {
    name += kWords[rng.Below(sizeof kWords / sizeof *kWords)];
    if (rng.Below(3) == 0) {
      const std::string n = std::to_string(rng.Below(200));
      name.append(n.begin(), n.end());
    }
    if (rng.Below(4) == 0) name += u" ";
  }
  if (rng.Below(5) == 0) name += u"[1080P]";
  name += kExtensions[rng.Below(sizeof kExtensions / sizeof *kExtensions)];
  return name;
}

std::string Hex(Rng& rng, int digits) {
  static const char kHex[] = "0123456789abcdef";
  std::string s;
  for (int i = 0; i < digits; ++i) s += kHex[rng.Below(16)];
  return s;
}

std::string DirectLink(Rng& rng) {
  return "https://d.pcs.baidu.com/file/" + Hex(rng, 32) + "?fid=" + std::to_string(rng.Next()) +
         std::to_string(rng.Next()) + "-250528-" + std::to_string(rng.Next()) +
         "&dstime=" + std::to_string(1700000000u + rng.Below(100000000)) +
         "&rt=sh&sign=FDtAERV-DCb740ccc5511e5e8fedcff06b081203-" + Hex(rng, 28) +
         "%3D&expires=8h&chkv=1&chkbd=0&chkpc=et&dp-logid=" + std::to_string(rng.Next()) +
         std::to_string(rng.Next()) + "&dp-callid=0&shareid=" + std::to_string(rng.Next()) +
         "&r=" + std::to_string(rng.Below(1000000000)) + "&resvsflag=1-12-0-1-1-1&vuk=" +
         std::to_string(rng.Next());
}

std::string Size(Rng& rng) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%u.%u %s", 1 + rng.Below(999), rng.Below(10), kUnits[rng.Below(4)]);
  return buf;
}

// A result page: a head, then one file row per line with a few noise lines
// between them (table furniture, a totals row that also opens with "<td>",
// an advertisement), then the tail.
Text MakePage(int rows) {
  Rng rng{0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(rows)};
  std::u16string page =
      u"<!DOCTYPE html>\n<html><head><meta charset=\"gbk\"><title>解析结果</title>\n"
      u"<style>td{padding:2px 6px}</style></head><body>\n"
      u"<div class=\"top\">百度网盘直链解析 - 共找到文件</div>\n<table border=\"1\">\n"
      u"<tr><th>文件名</th><th>大小</th><th>下载</th></tr>\n";
  for (int i = 0; i < rows; ++i) {
    const std::string size = Size(rng);
    const std::string link = DirectLink(rng);
    page += u"<tr><td>";
    page += FileName(rng);
    page += u"</td><td>";
    page.append(size.begin(), size.end());
    page += u"</td><td><a target=\"_blank\" href=\"";
    page.append(link.begin(), link.end());
    page += u"\">点我下载</a></td></tr>\n";
    switch (rng.Below(12)) {
      case 0:
        page += u"<tr class=\"sep\"><td colspan=\"3\"><hr></td></tr>\n";
        break;
      case 1:
        page += u"<tr><td>小计</td><td>本页 " + std::u16string(u"20") + u" 个文件</td><td>-</td></tr>\n";
        break;
      case 2:
        page += u"<!-- 广告位 --><div class=\"ad\"><a href=\"https://example.com/?ref=pan\">"
                u"限时优惠，点我查看</a></div>\n";
        break;
      default:
        break;
    }
  }
  page += u"</table>\n<div class=\"foot\">本页面仅供学习交流</div>\n</body></html>\n";
  return WideToGbk(page);
}

std::wstring Widen(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

// ----------------------------------------------------------- contenders --

// What a row-pattern run yields: every match's three groups.
using Rows = std::vector<std::array<std::u16string, 3>>;

size_t RowsOurs(const Text& page, Rows* out) {
  RegexMatcher m;
  m.Run(Text(kRowPattern), page);
  const int n = m.MatchCount();
  for (int i = 1; i <= n; ++i) {
    Text g1 = m.SubMatchText(i, 1), g2 = m.SubMatchText(i, 2), g3 = m.SubMatchText(i, 3);
    benchmark::DoNotOptimize(g1.data());
    benchmark::DoNotOptimize(g2.data());
    benchmark::DoNotOptimize(g3.data());
    if (out) out->push_back({GbkToWide(g1), GbkToWide(g2), GbkToWide(g3)});
  }
  return static_cast<size_t>(n);
}

constexpr auto kStdFlags = std::regex_constants::ECMAScript | std::regex_constants::icase |
                           std::regex_constants::multiline;

size_t RowsStd(const std::wstring& pattern, const std::wstring& page, Rows* out) {
  const std::wregex re(pattern, kStdFlags);
  size_t n = 0;
  for (std::wsregex_iterator it(page.begin(), page.end(), re), end; it != end; ++it) {
    std::wstring g1 = (*it)[1].str(), g2 = (*it)[2].str(), g3 = (*it)[3].str();
    benchmark::DoNotOptimize(g1.data());
    benchmark::DoNotOptimize(g2.data());
    benchmark::DoNotOptimize(g3.data());
    if (out) {
      out->push_back({std::u16string(g1.begin(), g1.end()), std::u16string(g2.begin(), g2.end()),
                      std::u16string(g3.begin(), g3.end())});
    }
    ++n;
  }
  return n;
}

// One compiled PCRE2 pattern with its match data.
class Pcre {
 public:
  Pcre(const std::u16string& pattern, bool jit) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                          PCRE2_CASELESS | PCRE2_MULTILINE, &error, &offset, nullptr);
    if (code_ == nullptr) {
      std::fprintf(stderr, "pcre2_compile failed (%d) at %zu\n", error, static_cast<size_t>(offset));
      std::abort();
    }
    if (jit && pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE) != 0) {
      std::fprintf(stderr, "pcre2_jit_compile failed\n");
      std::abort();
    }
    data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
  }
  ~Pcre() {
    pcre2_match_data_free(data_);
    pcre2_code_free(code_);
  }
  Pcre(const Pcre&) = delete;
  Pcre& operator=(const Pcre&) = delete;

  // The first match at or after start; false when there is none.
  bool Match(const std::u16string& subject, size_t start) {
    return pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), start, 0,
                       data_, nullptr) > 0;
  }
  std::u16string Group(const std::u16string& subject, int group) const {
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data_);
    if (ov[2 * group] == PCRE2_UNSET) return std::u16string();
    return subject.substr(ov[2 * group], ov[2 * group + 1] - ov[2 * group]);
  }
  size_t End() const { return pcre2_get_ovector_pointer(data_)[1]; }
  size_t Begin() const { return pcre2_get_ovector_pointer(data_)[0]; }

 private:
  pcre2_code* code_ = nullptr;
  pcre2_match_data* data_ = nullptr;
};

size_t RowsPcre(const std::u16string& pattern, const std::u16string& page, bool jit, Rows* out) {
  Pcre re(pattern, jit);
  size_t n = 0;
  size_t start = 0;
  while (start <= page.size() && re.Match(page, start)) {
    std::u16string g1 = re.Group(page, 1), g2 = re.Group(page, 2), g3 = re.Group(page, 3);
    benchmark::DoNotOptimize(g1.data());
    benchmark::DoNotOptimize(g2.data());
    benchmark::DoNotOptimize(g3.data());
    if (out) out->push_back({std::move(g1), std::move(g2), std::move(g3)});
    ++n;
    start = re.End() > re.Begin() ? re.End() : re.End() + 1;
  }
  return n;
}

// --------------------------------------------------------------- cascade --

// Typical clipboard texts: what users copy from the share page, chats and
// forum posts, and texts with no link at all.
std::vector<Text> ClipboardTexts() {
  const char16_t* const texts[] = {
      u"链接: https://pan.baidu.com/s/1AbCdEfGhIjKlMnOpQrStU 提取码: x7k2 复制这段内容后打开百度网盘手机App，操作更方便哦",
      u"链接：https://pan.baidu.com/s/1AbCdEfGhIjKlMnOpQrStU\r\n提取码：x7k2\r\n--来自百度网盘超级会员V5的分享",
      u"https://pan.baidu.com/s/1AbCdEfGhIjKlMnOpQrStU?pwd=x7k2",
      u"链接: https://pan.baidu.com/s/1AbCdEfGhIjKlMnOpQrStU?pwd=x7k2 提取码: x7k2 复制这段内容后打开百度网盘手机App",
      u"https://pan.baidu.com/share/init?surl=AbCdEfGhIjKlMnOpQrStU&pwd=x7k2",
      u"https://pan.baidu.com/share/init?surl=AbCdEfGhIjKlMnOpQrStU 提取码: x7k2",
      u"https://pan.baidu.com/s/1AbCdEfGhIjKlMnOpQrStU",
      u"今天下午三点开会，地点在三楼会议室，请大家准时参加。会议资料见邮件附件。",
      u"https://www.example.com/articles/2024/05/how-to-share-files?utm_source=chat",
  };
  std::vector<Text> out;
  for (const char16_t* t : texts) out.push_back(WideToGbk(t));
  return out;
}

std::vector<std::pair<Text, bool>> CascadePatterns() {
  std::vector<std::pair<Text, bool>> out;
  for (const SharePattern& row : SharePatterns) {
    Text p(ShareDomain);
    p += row.Rest;
    out.emplace_back(p, row.CodeInGroup2);
  }
  return out;
}

using Found = std::optional<std::pair<std::u16string, std::u16string>>;

Found CascadeOurs(const Text& text) {
  const auto link = RecognizeShareLink([&] { return text; });
  if (!link) return std::nullopt;
  return std::make_pair(GbkToWide(link->ShareId), GbkToWide(link->ExtractionCode));
}

Found CascadeStd(const std::vector<std::pair<std::wstring, bool>>& patterns, const std::wstring& text) {
  for (const auto& [pattern, code] : patterns) {
    const std::wregex re(pattern, kStdFlags);
    std::wsmatch m;
    if (!std::regex_search(text, m, re) || m[1].length() == 0) continue;
    const std::wstring id = m[1].str(), c = code ? m[2].str() : std::wstring();
    return std::make_pair(std::u16string(id.begin(), id.end()), std::u16string(c.begin(), c.end()));
  }
  return std::nullopt;
}

Found CascadePcre(const std::vector<std::pair<std::u16string, bool>>& patterns, const std::u16string& text,
                  bool jit) {
  for (const auto& [pattern, code] : patterns) {
    Pcre re(pattern, jit);
    if (!re.Match(text, 0)) continue;
    std::u16string id = re.Group(text, 1);
    if (id.empty()) continue;
    return std::make_pair(std::move(id), code ? re.Group(text, 2) : std::u16string());
  }
  return std::nullopt;
}

// ------------------------------------------------------------- harness --

[[noreturn]] void Disagree(const char* what, const std::string& where) {
  std::fprintf(stderr, "contenders disagree: %s (%s)\n", what, where.c_str());
  std::exit(2);
}

// Runs fn once in a forked child; gives an empty string when it ended
// normally with the expected result, else what happened.
template <typename Fn>
std::string SurvivesInChild(Fn fn, unsigned timeoutSeconds) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return "fork failed";
  if (pid == 0) {
    alarm(timeoutSeconds);
    _exit(fn() ? 0 : 3);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return std::string();
  if (WIFEXITED(status)) return "wrong result";
  if (WIFSIGNALED(status)) {
    const int sig = WTERMSIG(status);
    if (sig == SIGALRM) return "no result within " + std::to_string(timeoutSeconds) + " s";
    return std::string("killed by ") + strsignal(sig);
  }
  return "ended abnormally";
}

struct PageInput {
  int rows;
  Text gbk;
  std::u16string wide;
  std::wstring wwide;
  size_t matches;
};

void SetPageCounters(benchmark::State& state, const PageInput& in, size_t matches) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(in.gbk.size()));
  state.counters["rows"] = in.rows;
  state.counters["matches"] = static_cast<double>(matches);
  state.counters["matches_per_s"] = benchmark::Counter(static_cast<double>(matches) *
                                                           static_cast<double>(state.iterations()),
                                                       benchmark::Counter::kIsRate);
}

int Main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);

  const std::u16string pattern16 = GbkToWide(Text(kRowPattern));
  const std::wstring patternW = Widen(pattern16);

  // Pages, and the agreement of the contenders on each.
  static std::vector<PageInput> pages;
  for (int rows : {1000, 10000, 100000}) {
    PageInput in;
    in.rows = rows;
    in.gbk = MakePage(rows);
    in.wide = GbkToWide(in.gbk);
    in.wwide = Widen(in.wide);
    Rows ours, pcre, pcreJit;
    in.matches = RowsOurs(in.gbk, &ours);
    RowsPcre(pattern16, in.wide, false, &pcre);
    RowsPcre(pattern16, in.wide, true, &pcreJit);
    const std::string where = std::to_string(rows) + " rows";
    if (in.matches != static_cast<size_t>(rows)) Disagree("RegexMatcher's match count", where);
    if (ours != pcre) Disagree("RegexMatcher and PCRE2", where);
    if (pcre != pcreJit) Disagree("PCRE2 with and without JIT", where);
    pages.push_back(std::move(in));
  }

  // std::regex: first a run in a child for each page; a page it survives is
  // checked against the others and timed, the others are reported.
  std::map<int, std::string> stdFailures;
  for (const PageInput& in : pages) {
    const std::string failure = SurvivesInChild(
        [&] {
          Rows rows;
          RowsStd(patternW, in.wwide, &rows);
          Rows ours;
          RowsOurs(in.gbk, &ours);
          return rows == ours;
        },
        60);
    if (!failure.empty()) stdFailures[in.rows] = failure;
  }

  for (const PageInput& in : pages) {
    const std::string suffix = "/rows:" + std::to_string(in.rows);
    const PageInput* p = &in;
    benchmark::RegisterBenchmark(("RowPattern/RegexMatcher" + suffix).c_str(), [p](benchmark::State& s) {
      size_t n = 0;
      for (auto _ : s) n = RowsOurs(p->gbk, nullptr);
      SetPageCounters(s, *p, n);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("RowPattern/ConvertOnly" + suffix).c_str(), [p](benchmark::State& s) {
      for (auto _ : s) {
        WideText w = GbkToWide(p->gbk);
        benchmark::DoNotOptimize(w.data());
      }
      SetPageCounters(s, *p, 0);
    })->Unit(benchmark::kMillisecond);
    if (stdFailures.count(in.rows) == 0) {
      benchmark::RegisterBenchmark(("RowPattern/StdWregex" + suffix).c_str(),
                                   [p, patternW](benchmark::State& s) {
                                     size_t n = 0;
                                     for (auto _ : s) n = RowsStd(patternW, p->wwide, nullptr);
                                     SetPageCounters(s, *p, n);
                                   })
          ->Unit(benchmark::kMillisecond);
    }
    for (bool jit : {false, true}) {
      benchmark::RegisterBenchmark(
          (std::string("RowPattern/") + (jit ? "Pcre2Jit" : "Pcre2") + suffix).c_str(),
          [p, pattern16, jit](benchmark::State& s) {
            size_t n = 0;
            for (auto _ : s) n = RowsPcre(pattern16, p->wide, jit, nullptr);
            SetPageCounters(s, *p, n);
          })
          ->Unit(benchmark::kMillisecond);
    }
  }

  // The cascade over every clipboard text, checked for agreement first.
  static const std::vector<Text> texts = ClipboardTexts();
  static std::vector<std::u16string> texts16;
  static std::vector<std::wstring> textsW;
  size_t textBytes = 0;
  for (const Text& t : texts) {
    texts16.push_back(GbkToWide(t));
    textsW.push_back(Widen(texts16.back()));
    textBytes += t.size();
  }
  static std::vector<std::pair<std::u16string, bool>> cascade16;
  static std::vector<std::pair<std::wstring, bool>> cascadeW;
  for (const auto& [p, code] : CascadePatterns()) {
    cascade16.emplace_back(GbkToWide(p), code);
    cascadeW.emplace_back(Widen(cascade16.back().first), code);
  }
  for (size_t i = 0; i < texts.size(); ++i) {
    const Found ours = CascadeOurs(texts[i]);
    const std::string where = "clipboard text " + std::to_string(i + 1);
    if (ours != CascadePcre(cascade16, texts16[i], false)) Disagree("cascade: RegexMatcher and PCRE2", where);
    if (ours != CascadePcre(cascade16, texts16[i], true)) Disagree("cascade: RegexMatcher and PCRE2 JIT", where);
    if (ours != CascadeStd(cascadeW, textsW[i])) Disagree("cascade: RegexMatcher and std::wregex", where);
  }
  auto cascadeCounters = [textBytes](benchmark::State& s) {
    s.SetBytesProcessed(static_cast<int64_t>(s.iterations()) * static_cast<int64_t>(textBytes));
    s.counters["texts_per_s"] = benchmark::Counter(static_cast<double>(texts.size()) *
                                                       static_cast<double>(s.iterations()),
                                                   benchmark::Counter::kIsRate);
  };
  benchmark::RegisterBenchmark("Cascade/RegexMatcher", [cascadeCounters](benchmark::State& s) {
    for (auto _ : s) {
      for (const Text& t : texts) benchmark::DoNotOptimize(CascadeOurs(t));
    }
    cascadeCounters(s);
  })->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Cascade/StdWregex", [cascadeCounters](benchmark::State& s) {
    for (auto _ : s) {
      for (const std::wstring& t : textsW) benchmark::DoNotOptimize(CascadeStd(cascadeW, t));
    }
    cascadeCounters(s);
  })->Unit(benchmark::kMicrosecond);
  for (bool jit : {false, true}) {
    benchmark::RegisterBenchmark(jit ? "Cascade/Pcre2Jit" : "Cascade/Pcre2",
                                 [cascadeCounters, jit](benchmark::State& s) {
                                   for (auto _ : s) {
                                     for (const std::u16string& t : texts16)
                                       benchmark::DoNotOptimize(CascadePcre(cascade16, t, jit));
                                   }
                                   cascadeCounters(s);
                                 })
        ->Unit(benchmark::kMicrosecond);
  }

  // Where std::regex gives up: its recursion deepens with the length of the
  // text one match spans, so one row with an ever longer link ends it.
  std::string stdLimit = "survived every length tried";
  for (size_t length = 1024; length <= (size_t(1) << 22); length *= 2) {
    const std::u16string row = u"<tr><td>a.zip</td><td>1 KB</td><td><a target=\"_blank\" href=\"" +
                               std::u16string(length, u'x') + u"\">\u70B9\u6211\u4E0B\u8F7D</a></td></tr>\n";
    const Text rowGbk = WideToGbk(row);
    Rows ours;
    if (RowsOurs(rowGbk, &ours) != 1 || ours[0][2].size() != length) Disagree("RegexMatcher on a long row", "");
    const std::wstring rowW = Widen(row);
    const std::string failure = SurvivesInChild(
        [&] {
          Rows rows;
          return RowsStd(patternW, rowW, &rows) == 1 && rows[0][2].size() == length;
        },
        60);
    if (!failure.empty()) {
      stdLimit = "fails on one row with a link of " + std::to_string(length) + " characters (" + failure +
                 "); RegexMatcher matched it";
      break;
    }
  }

  std::fprintf(stderr, "std::wregex %s\n", stdLimit.c_str());
  for (const PageInput& in : pages) {
    std::fprintf(stderr, "page of %d rows: %zu bytes (GBK), %zu UTF-16 code units, %zu matches\n", in.rows,
                 in.gbk.size(), in.wide.size(), in.matches);
  }
  for (const auto& [rows, why] : stdFailures) {
    std::fprintf(stderr, "std::wregex left out on the page of %d rows: %s\n", rows, why.c_str());
  }

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace
}  // namespace quorlan

int main(int argc, char** argv) { return quorlan::Main(argc, argv); }
