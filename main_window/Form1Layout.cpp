// Form1's controls, placed as the window has always had them, and its menus.
#include "main_window/Form1.h"

#include "base/Twips.h"
#include "options/Layout.h"
#include "options/RichTextHolder.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace {
const QString CellTip = QStringLiteral("Double Click for Options");

struct ColumnLayout
{
    Form1::Cells Form1::*column;
    const char* name;
    int left;
    int width;
};
} // namespace

QLineEdit* Form1::makeCell(QWidget* parent, const QString& name, int left, int top, int width,
                           int height)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(tw(left), tw(top), tw(width), tw(height));
    edit->installEventFilter(this);
    // A value too long for its cell shows its beginning, where a number or a
    // title is read from, unless the user is editing it.
    connect(edit, &QLineEdit::textChanged, edit, [edit] {
        if (!edit->hasFocus())
            edit->setCursorPosition(0);
    });
    return edit;
}

void Form1::buildTable(QWidget* client)
{
    const ColumnLayout columns[] = {
        {&Form1::Text1, "Text1", 3060, 1335},    {&Form1::Text7, "Text7", 4440, 5295},
        {&Form1::Text2, "Text2", 9780, 735},     {&Form1::Text16, "Text16", 10560, 1215},
        {&Form1::Text17, "Text17", 11820, 1035}, {&Form1::Text18, "Text18", 12900, 1095},
        {&Form1::Text19, "Text19", 14040, 1095},
    };
    for (const ColumnLayout& layout : columns) {
        Cells& column = this->*layout.column;
        for (int i = 0; i < Rows; ++i) {
            QLineEdit* cell = makeCell(
                client, QString::fromLatin1(layout.name) + QLatin1Char('_') + QString::number(i),
                layout.left, 660 + 360 * i, layout.width, 315);
            cell->setProperty(RowProperty, i);
            column[i] = cell;
        }
        column[0]->setToolTip(CellTip);
    }
    // The columns were drawn for a narrow 8 pt font: a 12-digit auction
    // number must fit its cell.
    QFont cellFont = Text1[0]->font();
    const QString widest = QStringLiteral("000000000000");
    while (cellFont.pointSizeF() > 6 &&
           QFontMetrics(cellFont).horizontalAdvance(widest) > Text1[0]->width() - 8)
        cellFont.setPointSizeF(cellFont.pointSizeF() - 0.5);
    for (const ColumnLayout& layout : columns) {
        for (QLineEdit* cell : this->*layout.column)
            cell->setFont(cellFont);
    }
    for (int i = 1; i <= 3; ++i) {
        Text7[i]->setToolTip(CellTip);
        Text2[i]->setToolTip(CellTip);
    }
    for (int i = 0; i < Rows; ++i) {
        Text1[i]->setText(QStringLiteral(" "));
        Text2[i]->setText(QStringLiteral(" "));
        auto* box = new QCheckBox(client);
        box->setObjectName(QStringLiteral("Check1_") + QString::number(i));
        box->setGeometry(tw(2820), tw(720 + 360 * i), tw(195), tw(195));
        box->setProperty(RowProperty, i);
        box->installEventFilter(this);
        Check1[i] = box;
    }

    auto header = [client](const char* name, const QString& text, int left, int width) {
        auto* label = new QLabel(text, client);
        label->setObjectName(QString::fromLatin1(name));
        label->setGeometry(tw(left), tw(360), tw(width), tw(255));
        return label;
    };
    Label1 = header("Label1", QStringLiteral("Auction"), 3060, 1335);
    Label8 = header("Label8", QStringLiteral("Title"), 4440, 5295);
    Label2 = header("Label2", QStringLiteral("Visits"), 9780, 735);
    Label7 = header("Label7", QString(), 10560, 1215);
    Label6 = header("Label6", QString(), 11820, 1035);
    Label9 = header("Label9", QString(), 12900, 1095);
    setModeHeaders(false);
    Label5 = header("Label5", QStringLiteral("Price"), 14040, 1095);
    Label2->setToolTip(QStringLiteral("\"N/F\" means (Not Found) the Counter can not be found."));
    Label5->setToolTip(QStringLiteral("Buy Now Price"));

    PB1 = new QProgressBar(client);
    PB1->setObjectName(QStringLiteral("PB1"));
    PB1->setGeometry(tw(4320), tw(7980), tw(9855), tw(255));
    PB1->setRange(0, 100);
    PB1->setValue(0);
    PB1->setTextVisible(false);
}

void Form1::buildFrames(QWidget* client)
{
    auto frame = [client](const char* name, const QString& caption, int top, int height) {
        auto* box = new QGroupBox(caption, client);
        box->setObjectName(QString::fromLatin1(name));
        box->setGeometry(tw(60), tw(top), tw(2655), tw(height));
        return box;
    };
    FrameUser = frame("Frame1", QStringLiteral("   User ID   "), 240, 1215);
    FrameSearch = frame("Frame2", QStringLiteral("   Search   "), 1620, 2415);
    FrameSelect = frame("Frame3", QStringLiteral("   Select Items   "), 4200, 1995);
    FrameTotals = frame("Frame4", QStringLiteral("   Totals   "), 6360, 1635);

    auto place = [](QWidget* w, const char* name, int left, int top, int width, int height) {
        w->setObjectName(QString::fromLatin1(name));
        w->setGeometry(tw(left), tw(top), tw(width), tw(height));
    };
    auto pictureButton = [&](QWidget* parent, const char* name, QStyle::StandardPixmap pixmap,
                             const QString& tip, int left, int top) {
        auto* button = new QPushButton(parent);
        place(button, name, left, top, 495, 495);
        button->setIcon(style()->standardIcon(pixmap));
        button->setIconSize(QSize(tw(360), tw(360)));
        button->setToolTip(tip);
        button->setAccessibleName(tip);
        return button;
    };
    auto button = [&](QWidget* parent, const char* name, const QString& caption, const QString& tip,
                      int left, int top, int width) {
        auto* b = new QPushButton(caption, parent);
        place(b, name, left, top, width, 375);
        b->setToolTip(tip);
        return b;
    };

    // User ID
    Combo1 = new QComboBox(FrameUser);
    place(Combo1, "Combo1", 120, 300, 2415, 315);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    // A completer would turn a typed "Al" into a saved "Alice".
    Combo1->setCompleter(nullptr);
    Combo1->setToolTip(QStringLiteral("Type in New User Name Here"));
    // The combo box forwards shortcut checks straight to its line edit.
    Combo1->installEventFilter(this);
    Combo1->lineEdit()->installEventFilter(this);
    Command4 = pictureButton(FrameUser, "Command4", QStyle::SP_DialogSaveButton,
                             QStringLiteral("Save User"), 600, 660);
    Command6 = pictureButton(FrameUser, "Command6", QStyle::SP_TrashIcon,
                             QStringLiteral("Delete User"), 1560, 660);

    // Search
    Option1 = new QRadioButton(QStringLiteral("Active"), FrameSearch);
    place(Option1, "Option1", 240, 300, 1095, 255);
    Option1->setChecked(true);
    Option2 = new QRadioButton(QStringLiteral("Sold"), FrameSearch);
    place(Option2, "Option2", 1440, 300, 1095, 255);
    Command1 = pictureButton(FrameSearch, "Command1", QStyle::SP_MediaPlay,
                             QStringLiteral("Start Search"), 120, 660);
    Command5 = pictureButton(FrameSearch, "Command5", QStyle::SP_MediaStop, QStringLiteral("Stop"),
                             750, 660);
    Command2 = pictureButton(FrameSearch, "Command2", QStyle::SP_DialogResetButton,
                             QStringLiteral("Clear all Data"), 1380, 660);
    Command3 = pictureButton(FrameSearch, "Command3", QStyle::SP_DialogCloseButton,
                             QStringLiteral("Exit Program"), 2010, 660);
    Label12 = new QLabel(QStringLiteral("Status"), FrameSearch);
    place(Label12, "Label12", 120, 1320, 2415, 255);
    Text11 = new QLineEdit(FrameSearch);
    place(Text11, "Text11", 120, 1620, 2415, 315);
    Text11->setToolTip(QStringLiteral("Status of Internet Connection"));
    Text11->setReadOnly(true);
    Text11->setAutoFillBackground(true);
    Text11->installEventFilter(this);
    Check2 = new QCheckBox(QStringLiteral("1 - 20"), FrameSearch);
    place(Check2, "Check2", 120, 2040, 1095, 255);
    Check2->setChecked(true);
    Check2->setVisible(false);
    Check3 = new QCheckBox(QStringLiteral("21 - 40"), FrameSearch);
    place(Check3, "Check3", 1440, 2040, 1095, 255);
    Check3->setVisible(false);

    // Select Items
    cmdAll = button(FrameSelect, "cmdAll", QStringLiteral("All"),
                    QStringLiteral("Selects All Auctions"), 120, 300, 1155);
    Command7 = button(FrameSelect, "Command7", QStringLiteral("None"),
                      QStringLiteral("Selects No Auctions, Clears All Checks"), 1380, 300, 1155);
    Command8 = button(FrameSelect, "Command8", QStringLiteral("Matching"),
                      QStringLiteral("Select One Auction, this selects all matching auctions"), 120,
                      780, 1155);
    Command9 =
        button(FrameSelect, "Command9", QStringLiteral("Non-Match"),
               QStringLiteral("Select one auction, this selects all auctions that don't match."),
               1380, 780, 1155);
    Command10 =
        button(FrameSelect, "Command10", QStringLiteral("AutoCompare"), QString(), 120, 1260, 2415);
    Command10->setVisible(false);
    Command10->setEnabled(false);

    // Totals
    auto total = [&](const char* name, const char* labelName, const QString& label,
                     const QString& tip, int top, QLabel** labelOut) {
        auto* edit = new QLineEdit(FrameTotals);
        place(edit, name, 120, top, 855, 315);
        edit->setToolTip(tip);
        edit->installEventFilter(this);
        auto* l = new QLabel(label, FrameTotals);
        place(l, labelName, 1080, top + 30, 1515, 255);
        *labelOut = l;
        return edit;
    };
    Text13 = total("Text13", "Label3", QStringLiteral("Auctions"),
                   QStringLiteral("Total Number of Auctions as Selected"), 300, &Label3);
    Text14 = total("Text14", "Label4", QStringLiteral("Visits"),
                   QStringLiteral("Total Number of Visits as Selected"), 720, &Label4);
    Text15 = total("Text15", "Label11", QStringLiteral("Visits per Auction"),
                   QStringLiteral("Average Visits per Auction as Selected"), 1140, &Label11);
    OptionsLayout::shrinkToFit({Label3, Label4, Label11});
}

void Form1::buildHidden(QWidget* client)
{
    auto hiddenText = [client](const char* name, const QString& text = QString()) {
        auto* edit = new QLineEdit(text, client);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setVisible(false);
        return edit;
    };
    Text3 = hiddenText("Text3");
    Text4 = hiddenText("Text4");
    Text5 = hiddenText("Text5");
    Text8 = hiddenText("Text8");
    Text9 = hiddenText("Text9");
    Text10 = hiddenText("Text10");
    Text12 = hiddenText("Text12");
    Text20 = hiddenText("Text20", QStringLiteral("Text20"));
    auto hiddenLabel = [client](const char* name, const QString& text = QString()) {
        auto* label = new QLabel(text, client);
        label->setObjectName(QString::fromLatin1(name));
        label->setVisible(false);
        return label;
    };
    Label10 = hiddenLabel("Label10");
    Label13 = hiddenLabel("Label13", QStringLiteral("Start Price"));
    Label14 = hiddenLabel("Label14");

    auto holder = [client](const char* name) {
        auto* rtb = new RichTextHolder(client);
        rtb->setObjectName(QString::fromLatin1(name));
        rtb->setVisible(false);
        return rtb;
    };
    RTB1 = holder("RTB1");
    RTBcheck = holder("RTBcheck");
    RTBTrys2 = holder("RTBTrys2");
}

void Form1::buildMenus()
{
    auto action = [this](QMenu* menu, const char* name, const QString& text,
                         const QKeySequence& shortcut = QKeySequence()) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(shortcut);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        return a;
    };
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuSaveUser = action(mnuFile, "mnuSaveUser", QStringLiteral("S&ave User"),
                         QKeySequence(Qt::CTRL | Qt::Key_A));
    mnuDeleteUser = action(mnuFile, "mnuDeleteUser", QStringLiteral("&Delete User"),
                           QKeySequence(Qt::CTRL | Qt::Key_D));
    mnuStart =
        action(mnuFile, "mnuStart", QStringLiteral("&START"), QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuStop =
        action(mnuFile, "mnuStop", QStringLiteral("STO&P"), QKeySequence(Qt::CTRL | Qt::Key_P));
    mnuClear =
        action(mnuFile, "mnuClear", QStringLiteral("&Clear"), QKeySequence(Qt::CTRL | Qt::Key_C));
    mnuFile->addSeparator();
    mnuexit = action(mnuFile, "mnuexit", QStringLiteral("&Exit"));

    mnuoptions = menuBar()->addAction(QStringLiteral("&Options"));
    mnuoptions->setObjectName(QStringLiteral("mnuoptions"));

    // What goes beyond the program's first menus lives here.
    mnuTools = menuBar()->addMenu(QStringLiteral("&Tools"));
    mnuTools->setObjectName(QStringLiteral("mnuTools"));
    mnuHistory = action(mnuTools, "mnuHistory", QStringLiteral("&History..."));
    mnuExport = action(mnuTools, "mnuExport", QStringLiteral("&Export Table..."));
    mnuCheck = action(mnuTools, "mnuCheck", QStringLiteral("Check &Markers..."));
    mnuSchedule = action(mnuTools, "mnuSchedule", QStringLiteral("&Scheduled Scans..."));

    mnuSelect = new QMenu(QStringLiteral("Select"), this);
    mnuSelect->setObjectName(QStringLiteral("mnuSelect"));
    mnuALL = action(mnuSelect, "mnuALL", QStringLiteral("Select &All"));
    mnuUnALL = action(mnuSelect, "mnuUnALL", QStringLiteral("&UnSelect ALL"));
    mnuSelect->addSeparator();
    mnuSim = action(mnuSelect, "mnuSim", QStringLiteral("Select &Matching"));
    mnuUnSim = action(mnuSelect, "mnuUnSim", QStringLiteral("Selec&t Non-Matching"));
    mnuSelect->addSeparator();
    mnuAuction = action(mnuSelect, "mnuAuction", QStringLiteral("&View Auction"));

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuAbout = action(mnuHelp, "mnuAbout", QStringLiteral("&About"));
    mnuWebsite = action(mnuHelp, "mnuWebsite", QStringLiteral("&Website"));
    mnuDonate = action(mnuHelp, "mnuDonate", QStringLiteral("&Donations"));
}
