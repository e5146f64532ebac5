#pragma once
// One fio server the controller runs the test from: where it listens and the
// test location as that machine sees it.

#include <QList>
#include <QString>
#include <optional>

namespace trevlamark {

struct FioClient
{
    QString host;
    int port = defaultPort;
    QString locationPath;

    // "host:port", the name errors and results use.
    QString name() const;
    // The name with everything but letters, digits, dots and dashes replaced,
    // for the client's test directory.
    QString directoryTag() const;
    // fio's "--client=HOST,PORT" for this server ("ip6:" before an IPv6 address).
    QString clientArgument() const;

    // "HOST[:PORT][=PATH],…"; an IPv6 address goes in brackets. A missing PATH
    // is defaultPath. On a refusal sets problem and returns nothing.
    static std::optional<QList<FioClient>> parseList(const QString &text, const QString &defaultPath,
        QString &problem);

    static constexpr int defaultPort = 8765;

    bool operator==(const FioClient &) const = default;
};

} // namespace trevlamark
