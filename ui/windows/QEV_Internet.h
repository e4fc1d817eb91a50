#pragma once

class QString;
class QTextEdit;

// The maker's news and the new-version check.

// Shows the maker's current news in the news box. False when it could not be fetched; the
// box then keeps what it showed.
[[nodiscard]] bool LoadNews(QTextEdit* RtbNews1);

// The news into the news box, then whether the maker lists a newer version of the program,
// with the offer to open the download page. Every outcome is told in a message box; a site
// that cannot be reached, an empty or unreadable list or a time-out tell that there is no
// information.
void ChkNewVersion(QTextEdit* RtbNews1);

// Opens a web page or a file with the desktop's program for it; when nothing can (no browser,
// the desktop's opener fails), a box says so and names the address. False then.
bool OpenOrTell(const QString& address);
// The box OpenOrTell shows.
void TellNotOpened(const QString& address);
