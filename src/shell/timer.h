#pragma once

#include <glibmm/main.h>
#include <sigc++/signal.h>

// A repeating timer on the window's main loop, for the window's handlers:
// an interval set while it runs counts afresh from that moment.
class Timer
{
public:
    ~Timer() { stop(); }

    void setInterval(unsigned milliseconds)
    {
        m_interval = milliseconds;
        if (isActive())
            start();
    }
    unsigned interval() const { return m_interval; }
    void start()
    {
        stop();
        m_tick = Glib::signal_timeout().connect(
            [this] {
                m_timeout.emit();
                return true;
            },
            m_interval);
    }
    void stop() { m_tick.disconnect(); }
    bool isActive() const { return m_tick.connected(); }

    sigc::signal<void()>& signal_timeout() { return m_timeout; }

private:
    sigc::connection m_tick;
    sigc::signal<void()> m_timeout;
    unsigned m_interval = 0;
};
