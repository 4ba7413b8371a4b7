#include "options/RichTextHolder.h"

#include "options/RtfCodec.h"

#include <QFile>
#include <QSaveFile>

#include <climits>

RichTextHolder::RichTextHolder(QWidget* parent) : QLineEdit(parent)
{
    // The line edit would otherwise cut long texts at 32767 characters.
    setMaxLength(INT_MAX);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& shown) {
        if (m_updatingDisplay)
            return;
        // The user typed, pasted or undid: the shown text is the content now.
        m_text = shown;
        m_selStart = qMin(m_selStart, int(m_text.size()));
        m_selLength = qMin(m_selLength, int(m_text.size()) - m_selStart);
    });
}

bool RichTextHolder::LoadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_lastError = file.errorString();
        return false;
    }
    const qint64 size = file.size();
    if (size > maxFileSize) {
        m_lastError = tr("The file is too large.");
        return false;
    }
    // read(n) allocates n bytes up front, so ask for what the file holds;
    // a file that grew since its size was taken is read to its end.
    QByteArray bytes = file.read(size);
    if (!file.atEnd())
        bytes += file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_lastError = file.errorString();
        return false;
    }
    if (bytes.size() > maxFileSize) {
        m_lastError = tr("The file is too large.");
        return false;
    }
    const std::optional<QString> text = RtfCodec::read(bytes);
    if (!text) {
        m_lastError = tr("The file is not an RTF document.");
        return false;
    }
    setContent(*text);
    m_lastError.clear();
    return true;
}

bool RichTextHolder::SaveFile(const QString& path, int fileType)
{
    QSaveFile file(path);
    // A folder that forbids new files leaves no room for the temporary file;
    // the file itself may still be writable, so it is then written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        m_lastError = file.errorString();
        return false;
    }
    const QByteArray bytes = fileType == 1 ? m_text.toUtf8() : RtfCodec::write(m_text);
    // QSaveFile::commit() in Qt 6.4 does not notice a failed flush of its
    // buffer (a full disk), so flush first and let that failure count.
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.commit()) {
        m_lastError = file.errorString();
        file.cancelWriting();
        return false;
    }
    m_lastError.clear();
    return true;
}

void RichTextHolder::setText(const QString& text)
{
    setContent(text);
}

void RichTextHolder::setContent(const QString& text)
{
    m_text = text;
    m_selStart = 0;
    m_selLength = 0;
    showContent();
}

void RichTextHolder::showContent()
{
    if (!isVisible()) {
        m_displayStale = true;
        return;
    }
    m_displayStale = false;
    m_updatingDisplay = true;
    QLineEdit::setText(m_text);
    m_updatingDisplay = false;
}

void RichTextHolder::showEvent(QShowEvent* event)
{
    if (m_displayStale)
        showContent();
    QLineEdit::showEvent(event);
}

void RichTextHolder::setSelStart(int start)
{
    m_selStart = qBound(0, start, int(m_text.size()));
    m_selLength = 0;
}

void RichTextHolder::setSelLength(int length)
{
    m_selLength = qBound(0, length, int(m_text.size()) - m_selStart);
}

QString RichTextHolder::SelText() const
{
    return m_text.mid(m_selStart, m_selLength);
}

void RichTextHolder::setSelText(const QString& text)
{
    m_text.replace(m_selStart, m_selLength, text);
    m_selStart += int(text.size());
    m_selLength = 0;
    showContent();
}
