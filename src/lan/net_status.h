// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Status codes of the network-management operations: 0 for success, the
// operating system's error codes below 2100, the network codes (NERR_*) from
// 2100 to 2999. Callers test and report them by number, so the numbers are
// those of the platform.

#include <cstdint>

namespace vantor::lan {

using Status = std::uint32_t;

// clang-format off
inline constexpr Status NERR_Success              = 0;
inline constexpr Status ERROR_FILE_NOT_FOUND      = 2;
inline constexpr Status ERROR_ACCESS_DENIED       = 5;
inline constexpr Status ERROR_NOT_ENOUGH_MEMORY   = 8;
inline constexpr Status ERROR_NOT_SUPPORTED       = 50;
inline constexpr Status ERROR_REM_NOT_LIST        = 51;
inline constexpr Status ERROR_DUP_NAME            = 52;
inline constexpr Status ERROR_BAD_NETPATH         = 53;
inline constexpr Status ERROR_NETWORK_BUSY        = 54;
inline constexpr Status ERROR_UNEXP_NET_ERR       = 59;
inline constexpr Status ERROR_BAD_NET_RESP        = 58;
inline constexpr Status ERROR_NETNAME_DELETED     = 64;
inline constexpr Status ERROR_NETWORK_ACCESS_DENIED = 65;
inline constexpr Status ERROR_BAD_NET_NAME        = 67;
inline constexpr Status ERROR_SHARING_PAUSED      = 70;
inline constexpr Status ERROR_REQ_NOT_ACCEP       = 71;
inline constexpr Status ERROR_INVALID_PARAMETER   = 87;
inline constexpr Status ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr Status ERROR_INVALID_NAME        = 123;
inline constexpr Status ERROR_INVALID_LEVEL       = 124;
inline constexpr Status ERROR_MORE_DATA           = 234;
inline constexpr Status ERROR_NO_MORE_ITEMS       = 259;
inline constexpr Status ERROR_SEM_TIMEOUT         = 121;
inline constexpr Status ERROR_SERVICE_NOT_ACTIVE  = 1062;
inline constexpr Status ERROR_NO_SUCH_DOMAIN      = 1355;
inline constexpr Status ERROR_CONNECTION_REFUSED  = 1225;
inline constexpr Status ERROR_HOST_UNREACHABLE    = 1232;
inline constexpr Status ERROR_NETWORK_UNREACHABLE = 1231;
inline constexpr Status ERROR_REQUEST_ABORTED     = 1235;
inline constexpr Status ERROR_CONNECTION_ABORTED  = 1236;
inline constexpr Status ERROR_TIMEOUT             = 1460;
inline constexpr Status RPC_S_SERVER_UNAVAILABLE  = 1722;

inline constexpr Status NERR_NetworkError         = 2136;
inline constexpr Status NERR_GroupNotFound        = 2220;
inline constexpr Status NERR_UserNotFound         = 2221;
inline constexpr Status NERR_NameNotFound         = 2273;
inline constexpr Status NERR_AlreadyExists        = 2276;
inline constexpr Status NERR_TooManyNames         = 2277;
inline constexpr Status NERR_MsgNotStarted        = 2284;
inline constexpr Status NERR_NotLocalName         = 2285;
inline constexpr Status NERR_TruncatedBroadcast   = 2289;
inline constexpr Status NERR_DCNotFound           = 2453;
// clang-format on

inline constexpr std::uint32_t MAX_PREFERRED_LENGTH = 0xFFFFFFFFu;

// Server types (the SV_TYPE_* bits of the server enumeration).
namespace sv_type {
inline constexpr std::uint32_t WORKSTATION = 0x00000001;
inline constexpr std::uint32_t SERVER = 0x00000002;
inline constexpr std::uint32_t SQLSERVER = 0x00000004;
inline constexpr std::uint32_t DOMAIN_CTRL = 0x00000008;
inline constexpr std::uint32_t DOMAIN_BAKCTRL = 0x00000010;
inline constexpr std::uint32_t TIME_SOURCE = 0x00000020;
inline constexpr std::uint32_t AFP = 0x00000040;
inline constexpr std::uint32_t NOVELL = 0x00000080;
inline constexpr std::uint32_t DOMAIN_MEMBER = 0x00000100;
inline constexpr std::uint32_t PRINTQ_SERVER = 0x00000200;
inline constexpr std::uint32_t DIALIN_SERVER = 0x00000400;
inline constexpr std::uint32_t XENIX_SERVER = 0x00000800;
inline constexpr std::uint32_t NT = 0x00001000;
inline constexpr std::uint32_t WFW = 0x00002000;
inline constexpr std::uint32_t SERVER_MFPN = 0x00004000;
inline constexpr std::uint32_t SERVER_NT = 0x00008000;
inline constexpr std::uint32_t POTENTIAL_BROWSER = 0x00010000;
inline constexpr std::uint32_t BACKUP_BROWSER = 0x00020000;
inline constexpr std::uint32_t MASTER_BROWSER = 0x00040000;
inline constexpr std::uint32_t DOMAIN_MASTER = 0x00080000;
inline constexpr std::uint32_t SERVER_OSF = 0x00100000;
inline constexpr std::uint32_t SERVER_VMS = 0x00200000;
inline constexpr std::uint32_t WINDOWS = 0x00400000;
inline constexpr std::uint32_t DFS = 0x00800000;
inline constexpr std::uint32_t CLUSTER_NT = 0x01000000;
inline constexpr std::uint32_t TERMINALSERVER = 0x02000000;
inline constexpr std::uint32_t CLUSTER_VS_NT = 0x04000000;
inline constexpr std::uint32_t DCE = 0x10000000;
inline constexpr std::uint32_t ALTERNATE_XPORT = 0x20000000;
inline constexpr std::uint32_t LOCAL_LIST_ONLY = 0x40000000;
inline constexpr std::uint32_t DOMAIN_ENUM = 0x80000000;

// The masks the programs pass.
inline constexpr std::uint32_t kQueryableServers = SERVER_NT | DOMAIN_CTRL | DOMAIN_BAKCTRL;  // 0x8018
inline constexpr std::uint32_t kComputers = NT | WINDOWS;                                     // 0x401000
inline constexpr std::uint32_t kDomainControllers = DOMAIN_CTRL | DOMAIN_BAKCTRL;             // 0x18
}  // namespace sv_type

}  // namespace vantor::lan
