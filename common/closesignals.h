#pragma once

#include <QList>
#include <QObject>

class QSocketNotifier;

// Turns the signals that ask a program to end (SIGTERM from logout, shutdown and
// "systemctl --user stop"; SIGINT from Ctrl+C in a terminal; SIGHUP when the terminal goes) into
// closeRequested on the thread that made this object, so that the program closes through its own
// closing code, settings written, instead of ending at once.
//
// The handler only writes the signal's number into a pipe (a write() is all a signal handler may
// safely do); a socket notifier reads it in the event loop. Signals that come before the loop
// runs wait in the pipe. One object at a time in a process; destroying it puts the former
// handlers back.
class CloseSignals : public QObject
{
    Q_OBJECT

public:
    explicit CloseSignals(QObject *parent = nullptr);
    ~CloseSignals() override;

    // The signals handled.
    static QList<int> handled();
    // False when the pipe could not be made or another object holds the handlers: the signals
    // then keep the handling they had.
    bool installed() const { return m_notifier != nullptr; }

Q_SIGNALS:
    // One of the signals came (the last one, when several came together).
    void closeRequested(int signalNumber);

private:
    void readPipe();

    int m_readEnd = -1;
    QSocketNotifier *m_notifier = nullptr;
};
