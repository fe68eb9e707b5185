#include "core/update/UpdateCheck.h"

#include <QBuffer>
#include <QUrl>
#include <QXmlStreamReader>

namespace UpdateCheck {

QString OwnVersion()
{
    return QStringLiteral("02.00.05");
}

QString ProductNumber()
{
    return QStringLiteral("1002");
}

QString DocumentPath()
{
    return QStringLiteral("/~ftp-xml/product_update_1002.xml");
}

QString LastVersionKey()
{
    return QStringLiteral("LastVersionDisplay");
}

namespace {
// Takes the text right after the start tag, if any, and leaves the reader on
// the element's end tag.
void ReadElementText(QXmlStreamReader& xml, QString& target)
{
    xml.readNext();
    if (xml.isCharacters())
        target = xml.text().toString();
    xml.skipCurrentElement();
}
} // namespace

Document ReadDocument(QIODevice* device)
{
    Document document;
    QXmlStreamReader xml(device);
    xml.readNext();
    // Enters the root and every element with children; stops at the first end
    // tag met while looking for a start tag (or at a reader error) and keeps
    // what was read until then.
    while (!xml.atEnd() && xml.readNextStartElement()) {
        if (xml.isStartElement() && xml.name() == QLatin1String("Id"))
            ReadElementText(xml, document.id);
        if (xml.name() == QLatin1String("Name"))
            ReadElementText(xml, document.name);
        if (xml.name() == QLatin1String("Version"))
            ReadElementText(xml, document.version);
        if (xml.isStartElement() && xml.name() == QLatin1String("Url"))
            ReadElementText(xml, document.url);
    }
    return document;
}

Document ReadDocument(const QByteArray& body)
{
    QByteArray copy(body);
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return ReadDocument(&buffer);
}

bool IsNewer(const QString& candidate, const QString& reference)
{
    return QString::compare(candidate, reference, Qt::CaseInsensitive) > 0;
}

Decision Decide(const Document& document, const QString& lastAnnounced, bool alreadyAnswered)
{
    Decision decision;
    if (document.id != ProductNumber())
        return decision;
    decision.handled = true;
    if (IsNewer(document.version, OwnVersion())) {
        // The automatic check announces a version only once; the menu
        // command always does.
        if (alreadyAnswered || IsNewer(document.version, lastAnnounced))
            decision.notice = Notice::NewerVersion;
        decision.storeVersion = true;
    } else if (alreadyAnswered) {
        decision.notice = Notice::UpToDate;
    }
    return decision;
}

namespace {
// Tolerant parsing: web sites publish addresses with blanks or bars in their
// path, and a browser opens them; escaping, not parsing, keeps the text safe.
bool IsWebAddress(const QString& url)
{
    const QUrl parsed(url, QUrl::TolerantMode);
    const QString scheme = parsed.scheme();
    return parsed.isValid() && !parsed.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

// toHtmlEscaped leaves the apostrophe alone, which would close the
// single-quoted href.
QString EscapeAttribute(const QString& text)
{
    return text.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;"));
}
} // namespace

QString NewerVersionText(const QString& version, const QString& url)
{
    const QString announce = QStringLiteral("KV Quillex v") + version.toHtmlEscaped()
        + QStringLiteral(" is available on Kevrel website.");
    const QString address = url.trimmed();
    if (!IsWebAddress(address))
        return announce;
    return announce + QStringLiteral(" Please click <a href='") + EscapeAttribute(address)
        + QStringLiteral("'>here</a> for more information.");
}

QString UpToDateText()
{
    return QStringLiteral("  Your software is up to date.   ");
}

} // namespace UpdateCheck
