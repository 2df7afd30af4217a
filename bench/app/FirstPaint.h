#pragma once

// The floors' "shown" mark: printed on the turn of the event loop after the window's first
// paint, the same point at which Trellis reports it.

#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <cstdio>

class FirstPaint : public QObject {
public:
    explicit FirstPaint(const QElapsedTimer& sinceStart) : m_sinceStart(sinceStart) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_reported) {
            m_reported = true;
            QTimer::singleShot(0, this, [this] {
                std::fprintf(stderr, "shown %lld\n",
                             static_cast<long long>(m_sinceStart.elapsed()));
                std::fflush(stderr);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& m_sinceStart;
    bool m_reported = false;
};
