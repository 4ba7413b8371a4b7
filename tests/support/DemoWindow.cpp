#include "DemoWindow.h"

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
    OptionsStore::loadCounterTryLimit();
    m_form = std::make_unique<Form1>();
    m_form->Timer5->setInterval(10);
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
    m_form->Combo1->setEditText(userId);
    m_form->Command1_Click();
    const bool done = finished.wait(60000);
    m_messages->texts.removeAll(Form1::startInstructions());
    return done;
}

void DemoWindow::onStatus(const QString& status, const std::function<void()>& action)
{
    auto* connection = new QMetaObject::Connection;
    *connection = QObject::connect(m_form->Text11, &QLineEdit::textChanged, m_form.get(),
                                   [=](const QString& text) {
                                       if (text != status)
                                           return;
                                       QObject::disconnect(*connection);
                                       delete connection;
                                       action();
                                   });
}

int DemoWindow::fetches(const QString& prefix) const
{
    int n = 0;
    for (const QString& path : m_site->requestedPaths())
        n += path.startsWith(prefix);
    return n;
}
