#pragma once

class QWebEngineProfile;

namespace QT_EXT {

// The one profile of every page the program shows: cookies, cache and site data persist in the
// program's data folder (QStandardPaths::AppDataLocation), unlike Qt WebEngine's default
// profile, which keeps nothing. Made on first use, after the settings identity is set, and owned
// by the application object. Sharing it lets the pages share one network context and as few
// renderer processes as Qt WebEngine allows.
QWebEngineProfile *webProfile();

} // namespace QT_EXT
