// Root of the library's exception hierarchy. Failures raise these; scripts see
// the class name (ExceptionClassName) and the message (ExceptionMessage).
#pragma once
#include <QByteArray>
#include <QString>
#include <exception>

class Exception : public std::exception {
public:
    Exception() = default;
    explicit Exception(const QString &message) : m_message(message) {}
    ~Exception() override = default;

    const QString &message() const { return m_message; }
    void setMessage(const QString &message) { m_message = message; m_utf8.clear(); }
    virtual const char *className() const { return "Exception"; }
    const char *what() const noexcept override
    {
        if (m_utf8.isEmpty())
            m_utf8 = m_message.toUtf8();
        return m_utf8.constData();
    }

private:
    QString m_message;
    mutable QByteArray m_utf8;
};

// Declares an exception class that inherits its constructors and reports its own name.
#define VD_DECLARE_EXCEPTION(Name, Base)                                  \
    class Name : public Base {                                            \
    public:                                                               \
        using Base::Base;                                                 \
        const char *className() const override { return #Name; }         \
    };

VD_DECLARE_EXCEPTION(EConvertError, Exception)
VD_DECLARE_EXCEPTION(EListError, Exception)
VD_DECLARE_EXCEPTION(EAbort, Exception)
