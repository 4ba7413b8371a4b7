#pragma once

#include "options/OptionTexts.h"

#include <QWidget>
#include <array>
#include <functional>

class QGroupBox;
class QLabel;
class QPushButton;
class RichTextHolder;

// The Options window, which is also the options store: its holders are the
// settings. Created hidden and loaded by OptionsStore; deleted when closed.
class Form4 : public QWidget
{
    Q_OBJECT
public:
    static constexpr int rows = OptionTexts::Rows;
    // Outer heights in twips, title bar and borders included.
    static constexpr int compactHeightTwips = 1575;
    static constexpr int fullHeightTwips = 9525;
    static constexpr int fullTopTwips = 400;

    explicit Form4(QWidget* parent = nullptr);

    // What "Check..." opens; the main window sets it.
    static void setCheckAction(std::function<void()> action);

    // Compact height, then the 38 files in their order. A file that cannot
    // be read leaves its holder's built-in text.
    void Form_Load();
    // What the holders hold now, saved or not.
    OptionTexts texts() const;

    void Command1_Click(); // Save
    void Command2_Click(); // Cancel
    void Command3_Click(); // Advanced

    // Shows the window at full height with its top 400 twips below the top
    // of the screen, its left edge where it was (Continue on the warning).
    void showFull();

    // Sets the outer height in twips; the client height follows from the
    // frame the window manager gives the window, once that is known.
    void setOuterHeight(int twips);
    int outerHeightTwips() const { return m_outerHeightTwips; }

    std::array<RichTextHolder*, rows> RichTextBox1{}; // Active before-strings
    std::array<RichTextHolder*, rows> RichTextBox5{}; // Active after-strings
    std::array<RichTextHolder*, rows> RichTextBox2{}; // Sold before-strings
    std::array<RichTextHolder*, rows> RichTextBox6{}; // Sold after-strings
    RichTextHolder* RTBtry = nullptr;
    RichTextHolder* RTB3 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label23 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* cmdCheck = nullptr; // shown with the marker tables
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    QStringList m_unreadable; // option files there but not read: Save leaves them alone
    void showTexts(const OptionTexts& texts);
    void buildFrame(QGroupBox* frame, const QString& prefix, const QStringList& texts,
                    int afterHeaderLeft, int beforeWidth, int afterLeft, const char* beforeArray,
                    std::array<RichTextHolder*, rows>& before, const char* afterArray,
                    std::array<RichTextHolder*, rows>& after, QList<QLabel*>& labels);
    void applyOuterHeight();
    int frameExtraHeight() const;

    int m_outerHeightTwips = compactHeightTwips;
    int m_appliedFrameExtra = -1;
    bool m_placed = false;
};
