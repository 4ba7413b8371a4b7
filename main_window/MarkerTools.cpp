// The Marker Check window and the notice after a scan whose markers found
// nothing on a page that loaded.
#include "main_window/Form1.h"

#include "base/Messages.h"
#include "base/Windows.h"
#include "marker_check/MarkerCheck.h"
#include "marker_check/frmMarkerCheck.h"

#include <QComboBox>

namespace {
SingleWindow<frmMarkerCheck> checkWindow;
} // namespace

void Form1::mnuCheck_Click()
{
    checkWindow.show([this] {
        auto* window = new frmMarkerCheck([this] { return Combo1->currentText(); });
        connect(this, &Form1::closing, window, &QWidget::close);
        return window;
    });
}

void Form1::tellIfMarkersLost()
{
    if (!m_noListings && (m_counterReads == 0 || m_counterMisses < m_counterReads))
        return;
    if (!MarkerCheck::noticeEnabled())
        return;
    Messages::show(this, m_noListings ? MarkerCheck::noListingsNotice()
                                      : MarkerCheck::noCountersNotice());
}
