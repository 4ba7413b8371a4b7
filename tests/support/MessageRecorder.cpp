#include "MessageRecorder.h"

#include "base/Messages.h"

MessageRecorder::MessageRecorder()
{
    Messages::setRecorder([this](const QString& text) { texts.append(text); });
}

MessageRecorder::~MessageRecorder()
{
    Messages::setRecorder({});
}
