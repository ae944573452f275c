#pragma once

#include <QByteArray>
#include <QHash>
#include <QSemaphore>
#include <QThread>

// A ScriptedHttpServer on a thread of its own, so that a blocking HTTP client
// on the test's thread can reach it. Answers (raw, by path) are fixed at construction.
class ThreadedWebSite : private QThread
{
public:
    explicit ThreadedWebSite(QHash<QByteArray, QByteArray> answers);
    ~ThreadedWebSite() override;

    // "127.0.0.1:<port>"
    QString hostAndPort() const { return m_hostAndPort; }

private:
    void run() override;

    QHash<QByteArray, QByteArray> m_answers;
    QString m_hostAndPort;
    QSemaphore m_ready;
};
