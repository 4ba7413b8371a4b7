#include "DemoWindow.h"

#include "Controls.h"

#include "main_window/Form1.h"
#include "options/OptionsStore.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTimer>

DemoWindow::DemoWindow(const QStringList& siteArguments)
    : m_messages(std::make_unique<MessageRecorder>()),
      m_folder(std::make_unique<TempProgramFolder>()),
      m_site(std::make_unique<DemoSiteProcess>(siteArguments))
{
    OptionsStore::discard();
    if (m_site->isRunning())
        m_site->pointOptionsAt(*m_folder);
    OptionFiles::setCounterTryLimit(2);
    m_form = std::make_unique<Form1>();
    m_form->Form_Load();
    m_form->session()->Timer5->setInterval(10);
    m_form->show();
}

DemoWindow::~DemoWindow()
{
    m_form.reset();
    OptionsStore::discard();
}

bool DemoWindow::scan(const QString& userId)
{
    QSignalSpy finished(m_form.get(), &Form1::scanFinished);
    m_form->findChild<QComboBox*>(QStringLiteral("Combo1"))->setEditText(userId);
    press(m_form.get(), QStringLiteral("Command1"));
    const bool done = finished.wait(60000);
    m_messages->texts.removeAll(Form1::startInstructions());
    return done;
}

void DemoWindow::onStatus(const QString& status, const std::function<void()>& action)
{
    onceWhen(m_form->findChild<QLineEdit*>(QStringLiteral("Text11")), &QLineEdit::textChanged,
             status, action);
}
