#pragma once

#include "DemoSiteProcess.h"
#include "MessageRecorder.h"
#include "TestSupport.h"

#include <QStringList>
#include <functional>
#include <memory>

class Form1;

// The real main window on a temporary program folder whose options point at
// a demo site process, with a start delay of 10 ms and messages recorded.
class DemoWindow
{
public:
    explicit DemoWindow(const QStringList& siteArguments = {});
    ~DemoWindow();

    Form1& form() const { return *m_form; }
    DemoSiteProcess& site() const { return *m_site; }
    TempProgramFolder& folder() const { return *m_folder; }
    QStringList& messages() const { return m_messages->texts; } // without the start instructions

    // Types userId into the User ID field, presses Start Search and waits
    // for the scan's end.
    bool scan(const QString& userId);
    // Runs `action` once, the first time the status field shows `status`.
    void onStatus(const QString& status, const std::function<void()>& action);
    int fetches(const QString& prefix) const { return m_site->fetches(prefix); }

private:
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<DemoSiteProcess> m_site;
    std::unique_ptr<Form1> m_form;
};
