#pragma once
// The windowed program's own texts, in one place. "%s" and "%d" are filled
// with vantor::Format.

namespace vantor::gui::res {

inline constexpr const char* kAppTitle = "Vantor";
inline constexpr const char* kHelpFileNotFound = "Vantor: Help file \"%s\" not found";
inline constexpr const char* kTooManyParameters = "Vantor: Too many parameters";
inline constexpr const char* kInvalidParameter = "Vantor: \"%s\" is not a valid parameter";
inline constexpr const char* kMessengerService = "Vantor: Messenger Service: %s";

inline constexpr const char* kCounts = "%d in Net Items, %d in Favourites, %d in Recipients and %d in Servers";
inline constexpr const char* kNoIpAddress = "No IP Address found";
inline constexpr const char* kReadingNetwork = "Reading network resources";
inline constexpr const char* kPrimaryDomain = "Primary Domain";
inline constexpr const char* kTrustedDomain = "Trusted Domain";
inline constexpr const char* kShowAllItems = "Show all items";
inline constexpr const char* kShowActiveItemsOnly = "Show active items only";
inline constexpr const char* kDefaultSignature = "Sent by %s from %s";

inline constexpr const char* kReadingSessions = "Reading active sessions from %s";
inline constexpr const char* kWaitingForServers = "Waiting for server responses";
inline constexpr const char* kSessionTimeOut = "Time-out reading active sessions";

inline constexpr const char* kStatusCaption = "Vantor Status";
inline constexpr const char* kMessageStatus = "Message status:";
inline constexpr const char* kCancelCaption = "&Cancel";
inline constexpr const char* kCloseCaption = "&Close";
inline constexpr const char* kHelpCaption = "&Help";

inline constexpr const char* kOptionsCaption = "Vantor Options";
inline constexpr const char* kTrayTip = "Vantor Message Manager";

}  // namespace vantor::gui::res
