// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppTestSupport.h"

#include <QAbstractButton>
#include <QLineEdit>

#include "app/CryptThread.h"
#include "tests/support/TestSeed.h"

void TWindowRig::SetText(const char* edit, const QString& text) { Get<QLineEdit>(edit)->setText(text); }

void TWindowRig::Click(const char* button) { Get<QAbstractButton>(button)->click(); }

bool TWindowRig::WaitForJob(int timeoutMs) {
  const int ended = JobsEnded;
  return QTest::qWaitFor([&] { return JobsEnded > ended || !Form.Running(); }, timeoutMs) &&
         !Form.Running();
}

void TWorkerGate::Attach(TCryptThread& job) {
  // Direct: the slot runs on the worker, inside the file transform.
  QObject::connect(
      &job, &TCryptThread::ProgressChanged, &job,
      [state = FState](int) {
        if (state->Used.exchange(true)) return;
        state->Holding = true;
        state->Held.release();
        state->Resume.tryAcquire(1, 60000);
        state->Holding = false;
      },
      Qt::DirectConnection);
}

QByteArray ReadAll(const QString& name) {
  QFile f(name);
  if (!f.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
  return f.readAll();
}

void WriteAll(const QString& name, const QByteArray& data) {
  QFile f(name);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size())
    qFatal("cannot write %s", qPrintable(name));
}

QByteArray SampleData(qsizetype size, unsigned seed) {
  return QByteArray::fromStdString(SampleBytes(static_cast<std::size_t>(size), seed));
}
