// The values that belong to a deployment rather than to the program: change
// them here to fit the site that publishes the lists.
#pragma once

// The RSS feed's channel elements.
inline constexpr const char* kFeedCopyright = "Copyright 2025 Orlix. All rights reserved.";
inline constexpr const char* kFeedManagingEditor = "lists@orlix.example (Orlix Lists)";
inline constexpr const char* kFeedWebMaster = "webmaster@orlix.example (Orlix Webmaster)";

// The mail domain that ends every calendar event's UID.
inline constexpr const char* kCalendarMailDomain = "orlix.example";

// The web site's base address, shown in the bridge page's example request.
inline constexpr const char* kWebSiteBaseAddress = "http://localhost";

// Where the browser pages load the toolkit from, relative to themselves.
inline constexpr const char* kToolkitStylesheet = "touch-2.4.2/resources/css/sencha-touch.css";
inline constexpr const char* kToolkitScript = "touch-2.4.2/sencha-touch-all.js";
