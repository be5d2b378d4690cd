// The program's fixed user-visible texts, as GBK bytes.
// Every Chinese literal in the tree is written as its GBK bytes in hexadecimal
// escapes, with the characters in a comment: the bytes are then the same for
// every compiler and every source encoding, and no -fexec-charset is needed.
#pragma once

namespace quorlan::ui {

inline constexpr char kWindowTitle[] = "Quorlan";
inline constexpr char kDownloadCaption[] = "\xCF\xC2\xD4\xD8";  // 下载
inline constexpr char kColumnLink[] = "S";
inline constexpr char kColumnFileName[] = "\xCE\xC4\xBC\xFE\xC3\xFB";  // 文件名
inline constexpr char kColumnSize[] = "\xB4\xF3\xD0\xA1";  // 大小
inline constexpr char kTrayMenuCaption[] = "\xB2\xCB\xB5\xA5";  // 菜单
inline constexpr char kTrayShow[] = "\xCF\xD4\xCA\xBE";  // 显示
inline constexpr char kTrayClose[] = "\xB9\xD8\xB1\xD5";  // 关闭
inline constexpr char kListMenuCaption[] = "\xB2\xCB\xB5\xA5\xB6\xFE";  // 菜单二
inline constexpr char kListCheckAll[] = "\xC8\xAB\xD1\xA1";  // 全选
inline constexpr char kListUncheckAll[] = "\xB7\xB4\xD1\xA1";  // 反选
inline constexpr char kListCopyLinks[] = "\xD6\xB1\xC1\xB4";  // 直链
inline constexpr char kListClear[] = "\xC7\xE5\xBF\xD5";  // 清空
inline constexpr char kCreateWindowFailed[] =
    "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xD6\xF7\xB4\xB0\xBF\xDA\xA1\xA3";  // 无法创建主窗口。

}  // namespace quorlan::ui
