#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C, a terminal that closes) arrive as Received on
// the UI thread, where the program can end as its own exit command does. The handlers are in
// place while this lives; one instance at a time.
class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

 signals:
  void Received(int signal);

 private:
  QSocketNotifier* notifier_ = nullptr;
};
