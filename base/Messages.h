#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every message box of the program goes through here: caption "Quillmere",
// one OK button. Tests install a recorder so nothing modal blocks them.
namespace Messages {
void show(QWidget* parent, const QString& text);

using Recorder = std::function<void(const QString& text)>;
// An empty recorder restores real message boxes.
void setRecorder(Recorder recorder);
} // namespace Messages
