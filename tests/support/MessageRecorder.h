#pragma once

#include "base/Messages.h"

#include <QStringList>

// Records message boxes instead of showing them.
class MessageRecorder
{
public:
    MessageRecorder()
    {
        Messages::setRecorder([this](const QString& text) { texts.append(text); });
    }
    ~MessageRecorder() { Messages::setRecorder({}); }
    QStringList texts;
};
