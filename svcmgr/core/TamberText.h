// The program's texts in code page 936, the system code page it runs with: every text
// the service logic shows or writes into the list. Each constant carries its text as a
// comment; the literal holds its code page 936 bytes.
#pragma once

namespace tamber_text {

// The application title: the caption of every message box.
// Windows 服务管理器
inline constexpr char kAppTitle[] = "Windows \xb7\xfe\xce\xf1\xb9\xdc\xc0\xed\xc6\xf7";

// Column titles of the service row.
// 名称
inline constexpr char kColumnName[] = "\xc3\xfb\xb3\xc6";
// 显示名称
inline constexpr char kColumnDisplayName[] = "\xcf\xd4\xca\xbe\xc3\xfb\xb3\xc6";
// 类型
inline constexpr char kColumnType[] = "\xc0\xe0\xd0\xcd";
// 状态
inline constexpr char kColumnState[] = "\xd7\xb4\xcc\xac";
// 进程ID
inline constexpr char kColumnProcessId[] = "\xbd\xf8\xb3\xccID";
// 启动类型
inline constexpr char kColumnStartType[] = "\xc6\xf4\xb6\xaf\xc0\xe0\xd0\xcd";
// 描述
inline constexpr char kColumnDescription[] = "\xc3\xe8\xca\xf6";
// 文件路径
inline constexpr char kColumnBinaryPath[] = "\xce\xc4\xbc\xfe\xc2\xb7\xbe\xb6";
// 制造商
inline constexpr char kColumnCompany[] = "\xd6\xc6\xd4\xec\xc9\xcc";
// 文件描述
inline constexpr char kColumnFileDescription[] = "\xce\xc4\xbc\xfe\xc3\xe8\xca\xf6";
// 文件版本
inline constexpr char kColumnFileVersion[] = "\xce\xc4\xbc\xfe\xb0\xe6\xb1\xbe";

// Service types (with the interactive bit cleared).
// 设备驱动
inline constexpr char kTypeKernelDriver[] = "\xc9\xe8\xb1\xb8\xc7\xfd\xb6\xaf";
// 文件系统驱动
inline constexpr char kTypeFileSystemDriver[] = "\xce\xc4\xbc\xfe\xcf\xb5\xcd\xb3\xc7\xfd\xb6\xaf";
// 独立进程服务
inline constexpr char kTypeOwnProcess[] = "\xb6\xc0\xc1\xa2\xbd\xf8\xb3\xcc\xb7\xfe\xce\xf1";
// 共享进程服务
inline constexpr char kTypeShareProcess[] = "\xb9\xb2\xcf\xed\xbd\xf8\xb3\xcc\xb7\xfe\xce\xf1";
// 未知
inline constexpr char kTypeUnknown[] = "\xce\xb4\xd6\xaa";

// Current states; stopped and continue-pending show the empty text.
// 正在启动
inline constexpr char kStateStartPending[] = "\xd5\xfd\xd4\xda\xc6\xf4\xb6\xaf";
// 正在停止
inline constexpr char kStateStopPending[] = "\xd5\xfd\xd4\xda\xcd\xa3\xd6\xb9";
// 已启动
inline constexpr char kStateRunning[] = "\xd2\xd1\xc6\xf4\xb6\xaf";
// 正在暂停
inline constexpr char kStatePausePending[] = "\xd5\xfd\xd4\xda\xd4\xdd\xcd\xa3";
// 暂停
inline constexpr char kStatePaused[] = "\xd4\xdd\xcd\xa3";

// Start types; also the captions of the start-type commands.
// 引导启动
inline constexpr char kStartBoot[] = "\xd2\xfd\xb5\xbc\xc6\xf4\xb6\xaf";
// 系统启动
inline constexpr char kStartSystem[] = "\xcf\xb5\xcd\xb3\xc6\xf4\xb6\xaf";
// 自动启动
inline constexpr char kStartAuto[] = "\xd7\xd4\xb6\xaf\xc6\xf4\xb6\xaf";
// 手动启动
inline constexpr char kStartDemand[] = "\xca\xd6\xb6\xaf\xc6\xf4\xb6\xaf";
// 禁止启动
inline constexpr char kStartDisabled[] = "\xbd\xfb\xd6\xb9\xc6\xf4\xb6\xaf";

// Messages. The first %s names the service (its display name), a trailing %s or the
// text after a colon is the system's error text.
// OpenSCManager调用失败:
inline constexpr char kMsgOpenScmFailed[] = "OpenSCManager\xb5\xf7\xd3\xc3\xca\xa7\xb0\xdc:";
// 枚举服务失败:
inline constexpr char kMsgEnumFailed[] = "\xc3\xb6\xbe\xd9\xb7\xfe\xce\xf1\xca\xa7\xb0\xdc:";
// 枚举服务状态时分配内存失败!
inline constexpr char kMsgEnumAllocFailed[] =
    "\xc3\xb6\xbe\xd9\xb7\xfe\xce\xf1\xd7\xb4\xcc\xac\xca\xb1\xb7\xd6\xc5\xe4\xc4\xda\xb4\xe6\xca\xa7\xb0\xdc!";
// 打开服务%s失败:%s
inline constexpr char kMsgOpenServiceFailed[] = "\xb4\xf2\xbf\xaa\xb7\xfe\xce\xf1%s\xca\xa7\xb0\xdc:%s";
// 获取服务%s状态信息失败:%s
inline constexpr char kMsgQueryStatusFailed[] =
    "\xbb\xf1\xc8\xa1\xb7\xfe\xce\xf1%s\xd7\xb4\xcc\xac\xd0\xc5\xcf\xa2\xca\xa7\xb0\xdc:%s";
// 启动服务%s失败:%s
inline constexpr char kMsgStartFailed[] = "\xc6\xf4\xb6\xaf\xb7\xfe\xce\xf1%s\xca\xa7\xb0\xdc:%s";
// 服务 %s 启动后又停止了.
inline constexpr char kMsgStoppedAfterStart[] =
    "\xb7\xfe\xce\xf1 %s \xc6\xf4\xb6\xaf\xba\xf3\xd3\xd6\xcd\xa3\xd6\xb9\xc1\xcb.";
// 启动服务 %s 超时!
inline constexpr char kMsgStartTimeout[] = "\xc6\xf4\xb6\xaf\xb7\xfe\xce\xf1 %s \xb3\xac\xca\xb1!";
// 您确定要停止"%s"服务吗?
inline constexpr char kMsgConfirmStop[] =
    "\xc4\xfa\xc8\xb7\xb6\xa8\xd2\xaa\xcd\xa3\xd6\xb9\"%s\"\xb7\xfe\xce\xf1\xc2\xf0?";
// 停止服务%s失败:%s
inline constexpr char kMsgStopFailed[] = "\xcd\xa3\xd6\xb9\xb7\xfe\xce\xf1%s\xca\xa7\xb0\xdc:%s";
// 停止服务%s超时!
inline constexpr char kMsgStopTimeout[] = "\xcd\xa3\xd6\xb9\xb7\xfe\xce\xf1%s\xb3\xac\xca\xb1!";
// 您确定要删除"%s"服务吗?
inline constexpr char kMsgConfirmDelete[] =
    "\xc4\xfa\xc8\xb7\xb6\xa8\xd2\xaa\xc9\xbe\xb3\xfd\"%s\"\xb7\xfe\xce\xf1\xc2\xf0?";
// 删除服务%s失败:%s
inline constexpr char kMsgDeleteFailed[] = "\xc9\xbe\xb3\xfd\xb7\xfe\xce\xf1%s\xca\xa7\xb0\xdc:%s";
// 锁定服务数据库失败:%s\n是否强制更新设置?
inline constexpr char kMsgLockFailed[] =
    "\xcb\xf8\xb6\xa8\xb7\xfe\xce\xf1\xca\xfd\xbe\xdd\xbf\xe2\xca\xa7\xb0\xdc:%"
    "s\n\xca\xc7\xb7\xf1\xc7\xbf\xd6\xc6\xb8\xfc\xd0\xc2\xc9\xe8\xd6\xc3?";
// 设置服务%s启动类型失败:%s
inline constexpr char kMsgSetStartTypeFailed[] =
    "\xc9\xe8\xd6\xc3\xb7\xfe\xce\xf1%s\xc6\xf4\xb6\xaf\xc0\xe0\xd0\xcd\xca\xa7\xb0\xdc:%s";
// 创建服务失败:
inline constexpr char kMsgCreateFailed[] = "\xb4\xb4\xbd\xa8\xb7\xfe\xce\xf1\xca\xa7\xb0\xdc:";

// Status pane 1: the number of rows.
// 共%d个服务
inline constexpr char kCountPaneFormat[] = "\xb9\xb2%d\xb8\xf6\xb7\xfe\xce\xf1";

// The main window's texts.
// Corvel: the title of the program's one document
inline constexpr char kDocumentTitle[] = "Corvel";
// Tamber只能在Win2000以上操作系统中使用!
inline constexpr char kMsgPlatformTooOld[] =
    "Tamber\xd6\xbb\xc4\xdc\xd4\xdaWin2000\xd2\xd4\xc9\xcf\xb2\xd9\xd7\xf7\xcf\xb5\xcd\xb3\xd6\xd0\xca\xb9\xd3\xc3!";
// OpenSCManager失败,请确认当前用户具有管理员权限!
inline constexpr char kMsgNoManagerAccess[] =
    "OpenSCManager\xca\xa7\xb0\xdc,"
    "\xc7\xeb\xc8\xb7\xc8\xcf\xb5\xb1\xc7\xb0\xd3\xc3\xbb\xa7\xbe\xdf\xd3\xd0\xb9\xdc\xc0\xed\xd4\xb1\xc8\xa8\xcf\xde!";
// 依赖服务: the caption of the context menu's dependency popup
inline constexpr char kDependencyPopup[] = "\xd2\xc0\xc0\xb5\xb7\xfe\xce\xf1";
// 查找所依赖的服务失败,该服务可能已不存在或该服务不属于当前的显示类型!
inline constexpr char kMsgDependencyNotListed[] =
    "\xb2\xe9\xd5\xd2\xcb\xf9\xd2\xc0\xc0\xb5\xb5\xc4\xb7\xfe\xce\xf1\xca\xa7\xb0\xdc,"
    "\xb8\xc3\xb7\xfe\xce\xf1\xbf\xc9\xc4\xdc\xd2\xd1\xb2\xbb\xb4\xe6\xd4\xda\xbb\xf2\xb8\xc3\xb7\xfe\xce\xf1\xb2\xbb"
    "\xca\xf4\xd3\xda\xb5\xb1\xc7\xb0\xb5\xc4\xcf\xd4\xca\xbe\xc0\xe0\xd0\xcd!";
// 打开剪贴板失败:
inline constexpr char kMsgClipboardFailed[] = "\xb4\xf2\xbf\xaa\xbc\xf4\xcc\xf9\xb0\xe5\xca\xa7\xb0\xdc:";
// 字符串搜索完毕。
inline constexpr char kMsgSearchDone[] = "\xd7\xd6\xb7\xfb\xb4\xae\xcb\xd1\xcb\xf7\xcd\xea\xb1\xcf\xa1\xa3";

// Texts of the dialogs, the export and the registry editor command.
// 请输入服务名称!
inline constexpr char kMsgNoServiceName[] = "\xc7\xeb\xca\xe4\xc8\xeb\xb7\xfe\xce\xf1\xc3\xfb\xb3\xc6!";
// 服务显示名称未输入,是否把服务名作为显示名称?
inline constexpr char kMsgAskDisplayName[] =
    "\xb7\xfe\xce\xf1\xcf\xd4\xca\xbe\xc3\xfb\xb3\xc6\xce\xb4\xca\xe4\xc8\xeb,"
    "\xca\xc7\xb7\xf1\xb0\xd1\xb7\xfe\xce\xf1\xc3\xfb\xd7\xf7\xce\xaa\xcf\xd4\xca\xbe\xc3\xfb\xb3\xc6?";
// 显示名称
inline constexpr char kCaptionDisplayName[] = "\xcf\xd4\xca\xbe\xc3\xfb\xb3\xc6";
// 请输入服务程序路径!
inline constexpr char kMsgNoBinaryPath[] = "\xc7\xeb\xca\xe4\xc8\xeb\xb7\xfe\xce\xf1\xb3\xcc\xd0\xf2\xc2\xb7\xbe\xb6!";
// 请输入计算机名!
inline constexpr char kMsgNoMachineName[] = "\xc7\xeb\xca\xe4\xc8\xeb\xbc\xc6\xcb\xe3\xbb\xfa\xc3\xfb!";
// 可执行文件(*.EXE,*.COM)|*.exe;*.com|动态链接库(*.DLL)|*.dll|驱动程序(*.sys)|*.sys|所有文件(*.*)|*.*|
inline constexpr char kBrowseFilter[] =
    "\xbf\xc9\xd6\xb4\xd0\xd0\xce\xc4\xbc\xfe(*.EXE,*.COM)\x00*.exe;*.com\x00\xb6\xaf\xcc\xac\xc1\xb4\xbd\xd3\xbf\xe2(*"
    ".DLL)\x00*.dll\x00\xc7\xfd\xb6\xaf\xb3\xcc\xd0\xf2(*.sys)\x00*.sys\x00\xcb\xf9\xd3\xd0\xce\xc4\xbc\xfe(*.*)\x00*.*"
    "\x00";
// 文本文件(*.TXT)|*.txt|所有文件(*.*)|*.*|
inline constexpr char kExportFilter[] =
    "\xce\xc4\xb1\xbe\xce\xc4\xbc\xfe(*.TXT)\x00*.txt\x00\xcb\xf9\xd3\xd0\xce\xc4\xbc\xfe(*.*)\x00*.*\x00";
// 创建文件失败:
inline constexpr char kMsgCreateFileFailed[] = "\xb4\xb4\xbd\xa8\xce\xc4\xbc\xfe\xca\xa7\xb0\xdc:";
// 运行Regedit.exe失败:
inline constexpr char kMsgRegeditStartFailed[] = "\xd4\xcb\xd0\xd0Regedit.exe\xca\xa7\xb0\xdc:";
// 未找到注册表程序窗口.
inline constexpr char kMsgRegeditWindowMissing[] =
    "\xce\xb4\xd5\xd2\xb5\xbd\xd7\xa2\xb2\xe1\xb1\xed\xb3\xcc\xd0\xf2\xb4\xb0\xbf\xda.";
// 打开Regedit.exe进程失败:
inline constexpr char kMsgRegeditOpenFailed[] = "\xb4\xf2\xbf\xaaRegedit.exe\xbd\xf8\xb3\xcc\xca\xa7\xb0\xdc:";
// 在Regedit.exe进程中分配内存失败:
inline constexpr char kMsgRegeditAllocFailed[] =
    "\xd4\xdaRegedit.exe\xbd\xf8\xb3\xcc\xd6\xd0\xb7\xd6\xc5\xe4\xc4\xda\xb4\xe6\xca\xa7\xb0\xdc:";

}  // namespace tamber_text
