#pragma once

#include <QLineEdit>
#include <QString>

// An edit field that owns a text and loads and saves it as an RTF file; the
// program's only way to files. The text lives in a member, exactly as loaded
// or set (tabs, line feeds, CRs and all); the line edit shows it and feeds
// the user's typing back. Hidden holders are plain text buffers: their text
// is handed to the line edit only when they are shown.
class RichTextHolder : public QLineEdit
{
    Q_OBJECT
public:
    explicit RichTextHolder(QWidget* parent = nullptr);

    // Replaces the whole content with the plain text of an RTF file. On any
    // failure (missing, unreadable, larger than RtfFile::MaxSize, not RTF) the
    // content stays as it was and false is returned.
    bool LoadFile(const QString& path);

    // Writes the content as an RTF document (fileType 0) or as UTF-8 plain
    // text (fileType 1) through a file beside the target that is renamed
    // over it, so the old file stays whole when anything fails. In a folder
    // that forbids new files the file is written in place. False on
    // failure; lastError() then says why.
    bool SaveFile(const QString& path, int fileType = 0);

    QString Text() const { return m_text; }
    // Sets the content directly (built-in texts, tests); the selection
    // collapses to the start.
    void setText(const QString& text);

    // Selection in characters, 0 = before the first one. Setting the start
    // clamps it into the text and empties the selection; the length is
    // clamped to what is left behind the start.
    void setSelStart(int start);
    void setSelLength(int length);
    int SelStart() const { return m_selStart; }
    int SelLength() const { return m_selLength; }
    QString SelText() const;
    // Replaces the selected characters (inserts at the start when the
    // selection is empty); the caret ends behind the new text.
    void setSelText(const QString& text);

    QString lastError() const { return m_lastError; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setContent(const QString& text);
    void showContent();

    QString m_text;
    int m_selStart = 0;
    int m_selLength = 0;
    bool m_displayStale = false;
    bool m_updatingDisplay = false;
    QString m_lastError;
};
