// Command numbers of the menu items and control ids of the main window's
// children. The end-to-end driver posts these numbers, so they are fixed.
#pragma once

namespace quorlan {

enum CommandId : unsigned {
  kCmdTrayShow = 1001,  // "显示"
  kCmdTrayClose = 1002,  // "关闭"
  kCmdListCheckAll = 1101,  // "全选"
  kCmdListUncheckAll = 1102,  // "反选"
  kCmdListCopyLinks = 1103,  // "直链"
  kCmdListClear = 1104,  // "清空"
};

enum ControlId : unsigned {
  kIdDownloadButton = 2001,
  kIdResultList = 2002,
};

}  // namespace quorlan
