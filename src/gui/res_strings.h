// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The windowed program's own texts, in one place: its windows, its delivery
// code (session query, status window, send command) and its message boxes
// all take their texts from here. "%s" and "%d" are filled with
// vantor::Format.

namespace vantor::gui::res {

// Start-up and the command line.
inline constexpr const char* kAppTitle = "Vantor";
inline constexpr const char* kHelpFileNotFound = "Vantor: Help file \"%s\" not found";
inline constexpr const char* kTooManyParameters = "Vantor: Too many parameters";
inline constexpr const char* kInvalidParameter = "Vantor: \"%s\" is not a valid parameter";
inline constexpr const char* kMessengerService = "Vantor: Messenger Service: %s";
inline constexpr const char* kClearParameter = "/CLEAR";
inline constexpr const char* kHelpParameter = "/?";
// Answered on standard output before any window opens.
inline constexpr const char* kVersionOption = "--version";
inline constexpr const char* kUsageOptions[] = {"--help", "-h"};
inline constexpr const char* kUsage =
    "Usage: vantor [/CLEAR | /? | --help | -h | --version]\n"
    "\n"
    "The windowed program of Vantor: browse the network, gather recipients and\n"
    "send pop-up messages.\n"
    "\n"
    "  /CLEAR     delete everything the programs have stored, then end\n"
    "  /?         open the help file, then end\n"
    "  --help, -h show this text and end\n"
    "  --version  show the version and end\n"
    "\n"
    "Any other parameter is refused (exit status 2). The network is chosen by\n"
    "VANTOR_LAN, the store by VANTOR_STORE; see vantor(1).\n";

// The status line.
inline constexpr const char* kCounts = "%d in Net Items, %d in Favourites, %d in Recipients and %d in Servers";
inline constexpr const char* kNoIpAddress = "No IP Address found";
inline constexpr const char* kReadingNetwork = "Reading network resources";
inline constexpr const char* kAddingRecipients = "Adding recipients";
inline constexpr const char* kRemovingRecipients = "Removing recipients";
inline constexpr const char* kAddingFavourites = "Adding favourites";
inline constexpr const char* kRemovingFavourites = "Removing favourites";

// Net Items.
inline constexpr const char* kPrimaryDomain = "Primary Domain";
inline constexpr const char* kTrustedDomain = "Trusted Domain";
inline constexpr const char* kShowAllItems = "Show all items";
inline constexpr const char* kShowActiveItemsOnly = "Show active items only";

// The main window's layout.
inline constexpr const char* kNetItemsTab = "&Net Items";
inline constexpr const char* kFavouritesTab = "&Favourites";
inline constexpr const char* kRecipientsTab = "&Recipients";
inline constexpr const char* kServersTab = "Ser&vers";
inline constexpr const char* kMessageTab = "&Message";
inline constexpr const char* kSavedMessagesTab = "Save&d messages";
inline constexpr const char* kNetViewHint = "This list shows all of the recipients available";
inline constexpr const char* kFavViewHint = "List of favourite items";
inline constexpr const char* kRecipViewHint = "All items in this list will \"get the message\"";
inline constexpr const char* kSrvViewHint = "Select servers to be queried for login sessions";
inline constexpr const char* kSplitterHint = "Drag this line to resize the panels";
inline constexpr const char* kNameColumn = "Name";
inline constexpr const char* kCommentColumn = "Comment";
inline constexpr const char* kSignatureLabel = "Si&gnature";
inline constexpr const char* kSendCaption = "&Send";
inline constexpr const char* kDefaultSignature = "Sent by %s from %s";
inline constexpr const char* kMessageTitleColumn = "Message title";
inline constexpr const char* kRecipientCountColumn = "# Recipients";
inline constexpr const char* kDeleteMessageCaption = "&Delete";
inline constexpr const char* kSelectMessageCaption = "&Select";
inline constexpr const char* kUpMessageHint = "Move selected message up the list";
inline constexpr const char* kDownMessageHint = "Move selected message down the list";
inline constexpr const char* kDeleteMessageHint = "Delete the selected message";
inline constexpr const char* kSelectMessageHint = "Select the highlighted message to send";
inline constexpr const char* kAddRecipientHint = "Add a recipient";
inline constexpr const char* kRemoveRecipientHint = "Remove a recipient";
inline constexpr const char* kTypeRecipientHint = "Type in a recipient";

// The type-in dialog.
inline constexpr const char* kTypeInRecipientCaption = "Type in a Recipient";
inline constexpr const char* kTypeInFavouriteCaption = "Type in a Favourite";
inline constexpr const char* kTypeInDesignCaption = "Type in a recipient";
inline constexpr const char* kRecipientIdentifierLabel = "&Recipient Identifier";
inline constexpr const char* kFavouriteIdentifierLabel = "&Favourite Identifier";
inline constexpr const char* kDesignIdentifierLabel = "&Recipient Identifier:";
inline constexpr const char* kRecipientTypeLabel = "Recipient &Type";
inline constexpr const char* kFavouriteTypeLabel = "Favourite &Type";
inline constexpr const char* kDesignTypeLabel = "Recipient &Type:";
inline constexpr const char* kCommentLabel = "C&omment (optional):";
inline constexpr const char* kTypeUser = "User";
inline constexpr const char* kTypeComputer = "PC or Server";
inline constexpr const char* kTypeDomain = "Domain";
inline constexpr const char* kOkCaption = "&OK";

// The session query.
inline constexpr const char* kReadingSessions = "Reading active sessions from %s";
inline constexpr const char* kWaitingForServers = "Waiting for server responses";
inline constexpr const char* kSessionTimeOut = "Time-out reading active sessions";

// Dispatch and the send command.
inline constexpr const char* kMessageSucceeded = "Message to %s succeeded";
inline constexpr const char* kMessageNotSent = "Message to %s not sent";
inline constexpr const char* kMessageFailed = "Message to %s failed (%s)";
inline constexpr const char* kDomainPrefix = "Domain";
inline constexpr const char* kListEntryUnreadable = "List %s: entry %s not sent: '%s' names no kind";
inline constexpr const char* kSendingMessage = "Sending message:";
inline constexpr const char* kRegisteringAlias = "Registering alias \"%s\"";
inline constexpr const char* kAliasError = "Error: (%s)";
inline constexpr const char* kAliasRemoved = "Alias \"%s\" removed";
inline constexpr const char* kSendingMessages = "Sending messages";
inline constexpr const char* kMessagesAborted = "Messages aborted";
inline constexpr const char* kAllMessagesComplete = "All messages complete";
inline constexpr const char* kBroadcastTooLong =
    "Your Domain broadcast text is too long by %d Characters.\r\nWould you like it truncated to the broadcast limit "
    "(128 characters)?";
inline constexpr const char* kMessageTooLong =
    "Your message text is too long by %d Characters.\r\nWould you like it truncated to the message limit (895 "
    "characters)?";

// The status window.
inline constexpr const char* kStatusCaption = "Vantor Status";
inline constexpr const char* kMessageStatus = "Message status:";
inline constexpr const char* kCancelCaption = "&Cancel";
inline constexpr const char* kCloseCaption = "&Close";
inline constexpr const char* kHelpCaption = "&Help";

// The history of received messages.
inline constexpr const char* kReceivedCaption = "Received messages";
inline constexpr const char* kReceivedWhenColumn = "Received";
inline constexpr const char* kReceivedFromColumn = "From";
inline constexpr const char* kReceivedToColumn = "To";
inline constexpr const char* kReceivedTextColumn = "Message";

// The list editor.
inline constexpr const char* kEditListCaption = "Edit Message List";
inline constexpr const char* kListNameLabel = "List &Name:";
inline constexpr const char* kListNetItemsLabel = "Net &Items:";
inline constexpr const char* kListMembersLabel = "List &Recipients:";
inline constexpr const char* kSaveCaption = "&Save";
inline constexpr const char* kDefaultListName = "List";
inline constexpr const char* kListExists = "%s exists.  Overwrite?";
inline constexpr const char* kItemsAfterSave = " Item(s)";

// The export and import files.
inline constexpr const char* kSaveListsTitle = "Save the Vantor Lists";
inline constexpr const char* kOpenListsTitle = "Open an Vantor List file";
inline constexpr const char* kSaveMessagesTitle = "Save the Vantor messages";
inline constexpr const char* kOpenMessagesTitle = "Open an Vantor Message file";
inline constexpr const char* kRegistryFilesFilter = "Registry files (*.reg)";
inline constexpr const char* kAllFilesFilter = "All Files (*)";

// The options dialog.
inline constexpr const char* kOptionsCaption = "Vantor Options";

// The tray icon.
inline constexpr const char* kTrayTip = "Vantor Message Manager";
inline constexpr const char* kTrayMinimise = "&Minimise";
inline constexpr const char* kTrayRestore = "&Restore";
inline constexpr const char* kExitCaption = "E&xit";

// The about box.
inline constexpr const char* kAboutCaption = "About Vantor";
inline constexpr const char* kAboutTitle = "Vantor Messaging";
inline constexpr const char* kAboutPlatform = "for Windows networks, on Linux";
inline constexpr const char* kAboutVersion = "v %s, %s";
inline constexpr const char* kAboutNotice = "Copyright 2026 the Vantor developers.";
inline constexpr const char* kAboutLicence =
    "Free software under the GNU General Public License, version 3 or later (GPL-3.0-or-later), "
    "with ABSOLUTELY NO WARRANTY.";

// The help viewer.
inline constexpr const char* kHelpViewerCaption = "Vantor Help";
inline constexpr const char* kHelpFileUnreadable = "The help file \"%s\" cannot be opened: %s";

}  // namespace vantor::gui::res
