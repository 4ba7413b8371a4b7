#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>
#include <utility>

// What an operation below the windows did: ok, ok with something the user
// should hear, or failed with the reason, in words a window can show as they
// stand. Nothing below the windows shows a message itself; the caller
// decides whether and where to say it (a message box, the standard error).
class [[nodiscard]] Outcome
{
public:
    Outcome() = default; // ok
    static Outcome ok() { return Outcome(); }
    static Outcome note(QString message) { return Outcome(false, std::move(message)); }
    static Outcome failure(QString message) { return Outcome(true, std::move(message)); }

    bool isOk() const { return !m_failed; }
    explicit operator bool() const { return isOk(); }
    // Empty for a plain ok; the note or the reason otherwise.
    const QString& message() const { return m_message; }

private:
    Outcome(bool failed, QString message) : m_message(std::move(message)), m_failed(failed) {}

    QString m_message;
    bool m_failed = false;
};

// A value, or the failure that left none.
template <class T> class [[nodiscard]] Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Outcome failure) : m_outcome(std::move(failure)) { Q_ASSERT(!m_outcome.isOk()); }

    bool isOk() const { return m_value.has_value(); }
    explicit operator bool() const { return isOk(); }
    const T& value() const { return *m_value; }
    const T& operator*() const { return *m_value; }
    const T* operator->() const { return &*m_value; }
    const QString& message() const { return m_outcome.message(); }
    const Outcome& outcome() const { return m_outcome; }

private:
    std::optional<T> m_value;
    Outcome m_outcome;
};
