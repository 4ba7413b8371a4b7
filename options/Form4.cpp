#include "options/Form4.h"

#include "base/Messages.h"
#include "base/ProgramFolder.h"
#include "base/Twips.h"
#include "base/Windows.h"
#include "options/Form5.h"
#include "options/Layout.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

namespace {

using OptionsLayout::shrinkToFit;
using OptionsLayout::twipsRect;

void showColumn(const std::array<RichTextHolder*, Form4::rows>& holders,
                const OptionTexts::Column& texts)
{
    for (int r = 0; r < Form4::rows; ++r)
        holders[r]->setText(texts[r]);
}

void read(OptionTexts::Column& texts, const std::array<RichTextHolder*, Form4::rows>& holders)
{
    for (int r = 0; r < Form4::rows; ++r)
        texts[r] = holders[r]->Text();
}

std::function<void()>& checkAction()
{
    static std::function<void()> action;
    return action;
}

const QString kCountTooltip = QStringLiteral(
    "If the counter is not found on the first pass then the program will try again.");

} // namespace

Form4::Form4(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Options"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(tw(10560), tw(9015));

    Label1 = new QLabel(QStringLiteral("Number of Times to Search for Counter"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setToolTip(kCountTooltip);
    Label1->setGeometry(twipsRect(300, 120, 2760, 255));
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    RTBtry = new RichTextHolder(this);
    RTBtry->setObjectName(QStringLiteral("RTBtry"));
    RTBtry->setGeometry(twipsRect(3240, 60, 555, 315));

    Label2 = new QLabel(QStringLiteral("(1-10)"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(tw(3960), tw(120));
    Label2->adjustSize();

    Label23 = new QLabel(QStringLiteral("Visit Start search at character "), this);
    Label23->setObjectName(QStringLiteral("Label23"));
    Label23->setToolTip(kCountTooltip);
    Label23->setGeometry(twipsRect(960, 420, 2130, 255));
    Label23->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    RTB3 = new RichTextHolder(this);
    RTB3->setObjectName(QStringLiteral("RTB3"));
    RTB3->setGeometry(twipsRect(3240, 360, 555, 315));
    shrinkToFit({Label1, Label23});

    const auto button = [this](QPushButton*& b, const char* name, const char* text, int left) {
        b = new QPushButton(QLatin1String(text), this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(twipsRect(left, 180, 1215, 495));
    };
    button(Command1, "Command1", "Save", 4740);
    button(Command3, "Command3", "Advanced", 6780);
    button(Command2, "Command2", "Cancel", 8760);
    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form4::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form4::Command3_Click);
    // Below the Sold table, right-aligned with it: the strip at the top has
    // no room beside the counter start and the Save button.
    cmdCheck = new QPushButton(QStringLiteral("&Check Markers..."), this);
    cmdCheck->setObjectName(QStringLiteral("cmdCheck"));
    cmdCheck->setGeometry(twipsRect(8685, 9030, 1650, 375));
    cmdCheck->setToolTip(QStringLiteral("Check what each marker finds on the site"));
    cmdCheck->hide();
    connect(cmdCheck, &QPushButton::clicked, this, [] {
        if (checkAction())
            checkAction()();
    });

    QList<QLabel*> labels;
    Frame1 = new QGroupBox(QStringLiteral("   Active   "), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(180, 900, 10155, 3975));
    buildFrame(Frame1, QStringLiteral("Active"), OptionTexts::rowLabels(MarkerTable::Active), 7680,
               5355, 7140, "RichTextBox1", RichTextBox1, "RichTextBox5", RichTextBox5, labels);

    Frame2 = new QGroupBox(QStringLiteral("   Sold   "), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setGeometry(twipsRect(180, 4980, 10155, 3975));
    buildFrame(Frame2, QStringLiteral("Sold"), OptionTexts::rowLabels(MarkerTable::Sold), 7740,
               5295, 7080, "RichTextBox2", RichTextBox2, "RichTextBox6", RichTextBox6, labels);
    shrinkToFit(labels);
    showTexts(OptionTexts::builtIn());
}

void Form4::setCheckAction(std::function<void()> action)
{
    checkAction() = std::move(action);
}

void Form4::buildFrame(QGroupBox* frame, const QString& prefix, const QStringList& texts,
                       int afterHeaderLeft, int beforeWidth, int afterLeft, const char* beforeArray,
                       std::array<RichTextHolder*, rows>& before, const char* afterArray,
                       std::array<RichTextHolder*, rows>& after, QList<QLabel*>& labels)
{
    auto* beforeHeader = new QLabel(QStringLiteral("String before Desired text"), frame);
    beforeHeader->setObjectName(prefix + QStringLiteral("HeaderBefore"));
    beforeHeader->move(tw(1920), tw(300));
    beforeHeader->adjustSize();
    auto* afterHeader = new QLabel(QStringLiteral("String after Desired text"), frame);
    afterHeader->setObjectName(prefix + QStringLiteral("HeaderAfter"));
    afterHeader->move(tw(afterHeaderLeft), tw(300));
    afterHeader->adjustSize();

    const QString beforeName = QLatin1String(beforeArray) + u'_';
    const QString afterName = QLatin1String(afterArray) + u'_';
    for (int r = 0; r < rows; ++r) {
        const int top = 540 + 360 * r;
        auto* label = new QLabel(texts[r], frame);
        label->setObjectName(prefix + QStringLiteral("Label_") + QString::number(r));
        // Right-aligned so that every label ends just left of its field.
        label->setGeometry(twipsRect(15, top, 1305, 315));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        labels.append(label);

        before[r] = new RichTextHolder(frame);
        before[r]->setObjectName(beforeName + QString::number(r));
        before[r]->setGeometry(twipsRect(1380, top, beforeWidth, 315));

        after[r] = new RichTextHolder(frame);
        after[r]->setObjectName(afterName + QString::number(r));
        after[r]->setGeometry(twipsRect(afterLeft, top, 2955, 315));
    }
}

void Form4::Form_Load()
{
    setOuterHeight(compactHeightTwips);
    const OptionFiles::Loaded loaded = OptionFiles::load();
    showTexts(loaded.texts);
    m_unreadable = loaded.unreadable;
    // Told once per file and run: the window is loaded again after each close.
    static QStringList told;
    QStringList news;
    for (const QString& failure : loaded.failures) {
        if (!told.contains(failure))
            news << failure;
    }
    told << news;
    if (!news.isEmpty())
        Messages::show(this, OptionFiles::unreadableMessage(news));
}

void Form4::showTexts(const OptionTexts& texts)
{
    RTBtry->setText(texts.tryCount);
    RTB3->setText(texts.counterStart);
    showColumn(RichTextBox1, texts.activeBefore);
    showColumn(RichTextBox5, texts.activeAfter);
    showColumn(RichTextBox2, texts.soldBefore);
    showColumn(RichTextBox6, texts.soldAfter);
}

OptionTexts Form4::texts() const
{
    OptionTexts t;
    read(t.activeBefore, RichTextBox1);
    read(t.activeAfter, RichTextBox5);
    read(t.soldBefore, RichTextBox2);
    read(t.soldAfter, RichTextBox6);
    t.tryCount = RTBtry->Text();
    t.counterStart = RTB3->Text();
    return t;
}

void Form4::Command1_Click()
{
    const OptionFiles::Saved saved = OptionFiles::save(texts(), m_unreadable);
    // A message box runs an event loop; the window may be gone after it.
    QPointer<Form4> self(this);
    if (saved.countRejected) {
        Messages::show(this, QStringLiteral("Please input a number between 1 and 10"));
        if (!self)
            return;
    }
    const QString message = OptionFiles::savedMessage(saved);
    if (!saved.failures.isEmpty() || !saved.refused.isEmpty()) {
        // Keep the window and its edits, so the user can retry or cancel.
        Messages::show(this, message + QStringLiteral(" The Options window stays open with "
                                                      "your changes."));
        return;
    }
    if (!message.isEmpty()) {
        Messages::show(this, message);
        if (!self)
            return;
    }
    close();
}

void Form4::Command2_Click()
{
    close();
}

void Form4::Command3_Click()
{
    Form5::showWarning();
}

void Form4::showFull()
{
    bringToFront(this);
    setOuterHeight(fullHeightTwips);
    const QScreen* s = screen();
    const int screenTop = s ? s->geometry().top() : 0;
    move(pos().x(), screenTop + tw(fullTopTwips));
}

void Form4::setOuterHeight(int twips)
{
    m_outerHeightTwips = twips;
    cmdCheck->setVisible(twips == fullHeightTwips);
    applyOuterHeight();
}

int Form4::frameExtraHeight() const
{
    // Before the window manager has framed the window there is no frame.
    return isVisible() ? frameGeometry().height() - geometry().height() : 0;
}

void Form4::applyOuterHeight()
{
    m_appliedFrameExtra = frameExtraHeight();
    resize(tw(10560), qMax(1, tw(m_outerHeightTwips) - m_appliedFrameExtra));
}

void Form4::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    applyOuterHeight();
    if (!m_placed) {
        m_placed = true;
        centreOnScreen(this);
    }
}

bool Form4::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    // The frame's size is known only once the window manager has framed the
    // window, which it reports as a move; the outer height must follow it.
    if (event->type() == QEvent::Move && isVisible() && frameExtraHeight() != m_appliedFrameExtra)
        applyOuterHeight();
    return handled;
}

void Form4::closeEvent(QCloseEvent* event)
{
    // Closing by any means discards the store; nothing is written here.
    OptionsStore::forget(this);
    event->accept();
}
