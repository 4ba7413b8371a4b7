#pragma once

#include "DemoSiteProcess.h"
#include "TestSupport.h"

#include "options/OptionTexts.h"
#include "session/ScanSession.h"

#include <functional>
#include <memory>

// A scan session without a window on a temporary program folder whose
// options point at a demo site process, with a start delay of 10 ms.
class DemoSession
{
public:
    explicit DemoSession(const QStringList& siteArguments);
    ~DemoSession();

    ScanSession& session() const { return *m_session; }
    DemoSiteProcess& site() const { return *m_site; }
    TempProgramFolder& folder() const { return *m_folder; }
    // What the session reads as its options; tests change it between scans.
    OptionTexts& options() { return m_options; }
    QStringList& notices() { return m_notices; }

    // Starts a scan for userId and waits for its end.
    bool scan(const QString& userId);
    // Runs `action` once, the first time the status shows `status`.
    void onStatus(const QString& status, const std::function<void()>& action);
    int fetches(const QString& prefix) const { return m_site->fetches(prefix); }
    void stopSite() { m_site.reset(); }

private:
    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<DemoSiteProcess> m_site;
    OptionTexts m_options;
    QStringList m_notices;
    std::unique_ptr<ScanSession> m_session;
};
