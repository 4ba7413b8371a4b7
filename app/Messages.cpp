#include "app/Messages.h"

#include <QMessageBox>
#include <QPointer>

namespace {
Messages::Recorder& recorder()
{
    static Messages::Recorder r;
    return r;
}
} // namespace

void Messages::show(QWidget* parent, const QString& text)
{
    if (recorder()) {
        recorder()(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillmere"), text, QMessageBox::Ok, parent);
    box.exec();
}

void Messages::setRecorder(Recorder r)
{
    recorder() = std::move(r);
}
