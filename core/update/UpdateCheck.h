#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// Reading of the published update document and the decision what to tell the
// user. No widgets and no network here: the main window feeds the reply body
// in and shows what comes out.
namespace UpdateCheck {

// Version text of this program; the About dialog shows the same text.
QString OwnVersion();
// The document's Id must equal this exactly.
QString ProductNumber();
// Path of the document on the maker's web site.
QString DocumentPath();
// Settings key holding the last published version newer than our own.
QString LastVersionKey();

struct Document
{
    QString id;                     // null when the document has none
    QString name;                   // null when the document has none
    QString version = OwnVersion(); // stays our own when absent or empty
    QString url;                    // empty when absent
};

Document ReadDocument(QIODevice* device);
Document ReadDocument(const QByteArray& body);

// Published versions are compared as text, ignoring case: "2.1" is newer
// than "02.00.05".
bool IsNewer(const QString& candidate, const QString& reference);

enum class Notice
{
    None,
    NewerVersion,
    UpToDate
};

struct Decision
{
    bool handled = false; // the document is about this product
    Notice notice = Notice::None;
    bool storeVersion = false; // remember the published version as announced
};

// alreadyAnswered: an earlier reply failed or was handled since the window
// was built, so this reply answers the menu command and always speaks.
Decision Decide(const Document& document, const QString& lastAnnounced, bool alreadyAnswered);

// Rich text of the newer-version message. The document comes over plain
// HTTP, so both values are escaped, and only an http or https address
// becomes a link.
QString NewerVersionText(const QString& version, const QString& url);
QString UpToDateText();

} // namespace UpdateCheck
