// The posting record as the window keeps and shows it: what a page's send may put into "Posts.dat",
// and its addresses as tooltips, notes and copies show them. An address comes from a page, which
// chooses it: it may be megabytes long or hold characters that hide or reorder what follows them.
#pragma once

#include <QString>

#include <string>

class QUrl;

// Longest thread address recorded: longer ones are no address a forum gives a thread, and one that
// a page made up is recorded as its forum's origin instead.
constexpr qsizetype MaxRecordedAddress = 2048;
// Longest address shown in a tooltip or a note: about four lines of a wide tip. Longer ones show
// their beginning and end.
constexpr qsizetype MaxShownAddress = 300;

// What "Posts.dat" keeps of a send: the forum without a user name and password, and the thread
// address without them, or the forum's origin when the address is longer than MaxRecordedAddress.
std::string RecordedForum(const std::string& forum);
std::string RecordedThread(const QUrl& thread, const std::string& forum);

// The address with every control character (C0, DEL, C1) and every bidirectional control (U+061C,
// U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069) and line or paragraph separator written as
// its percent-escaped UTF-8 bytes, as an address bar shows them; an address so written still leads
// to the same page. Without a user name and password. At most `limit` characters: a longer one
// keeps its beginning and its end around an ellipsis. Costs the same for a megabyte as for `limit`
// characters.
QString ShownAddress(const std::string& stored, qsizetype limit = MaxShownAddress);

// The whole address, escaped as ShownAddress escapes it and without a user name and password, for
// the clipboard.
QString EscapedAddress(const std::string& stored);
