#pragma once

#include <QByteArray>
#include <QString>

namespace fw {

// The lines exchanged when a second start hands its file to the running program: the running
// program greets, the second start sends one request, the running program acknowledges.
// Names travel percent-encoded so any character, line breaks included, survives.
inline constexpr char kHandOverGreeting[] = "FRAMEWRIGHT READY\n";
inline constexpr char kHandOverAck[] = "OK\n";
inline constexpr qsizetype kHandOverMaxRequest = 16 * 1024;

struct HandOverRequest {
    enum class Kind { Incomplete, Raise, Open, Invalid };
    Kind kind = Kind::Incomplete;
    QString file_name;
};

inline QByteArray FormatRaiseRequest()
{
    return QByteArrayLiteral("RAISE\n");
}

inline QByteArray FormatOpenRequest(const QString& file_name)
{
    return QByteArrayLiteral("OPEN ") + file_name.toUtf8().toPercentEncoding() + '\n';
}

// Reads one request from what arrived so far. Anything that is not a well-formed request is
// Invalid, and the connection is dropped without acting on it.
inline HandOverRequest ParseHandOverRequest(const QByteArray& received)
{
    HandOverRequest request;
    const qsizetype end = received.indexOf('\n');
    if (end < 0) {
        request.kind = received.size() > kHandOverMaxRequest ? HandOverRequest::Kind::Invalid
                                                             : HandOverRequest::Kind::Incomplete;
        return request;
    }
    const QByteArray line = received.left(end);
    request.kind = HandOverRequest::Kind::Invalid;
    if (line == "RAISE") {
        request.kind = HandOverRequest::Kind::Raise;
    } else if (line.startsWith("OPEN ") && line.size() <= kHandOverMaxRequest) {
        const QByteArray name = QByteArray::fromPercentEncoding(line.mid(5));
        if (!name.isEmpty() && !name.contains('\0')) {
            request.file_name = QString::fromUtf8(name);
            request.kind = HandOverRequest::Kind::Open;
        }
    }
    return request;
}

} // namespace fw
