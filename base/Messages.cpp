#include "base/Messages.h"

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
    // On the heap: the program may close the parent while the box waits.
    QPointer<QMessageBox> box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Quillmere"),
                                                text, QMessageBox::Ok, parent);
    box->exec();
    delete box.data();
}

void Messages::setRecorder(Recorder r)
{
    recorder() = std::move(r);
}
