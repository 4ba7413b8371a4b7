#include "options/RichTextHolder.h"

#include "options/RtfFile.h"

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
    const Result<QString> text = RtfFile::read(path);
    m_lastError = text.message();
    if (text)
        setContent(*text);
    return text.isOk();
}

bool RichTextHolder::SaveFile(const QString& path, int fileType)
{
    const Outcome saved = RtfFile::write(path, m_text, fileType);
    m_lastError = saved.message();
    return saved.isOk();
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
