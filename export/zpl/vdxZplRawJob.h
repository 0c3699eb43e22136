// Sends ZPL text to a label printer unchanged: one job in the raw format, so
// the print system renders nothing and the printer receives the commands.
#pragma once
#include <QString>

class RawJobSink;

// Raises Exception "print error 0" (unknown queue) to "print error 4"
// (finishing the job), after dropping whatever it had opened. A PrinterIndex
// that the printer list does not hold (other than -1) raises before anything
// is sent. The text goes out as UTF-8 in one write; a failed or partial write
// is "print error 3" and nothing is printed. An empty text makes a job with
// one empty document. The sink defaults to the print system's.
void SendZplToPrinter(int PrinterIndex, const QString &PrinterName, const QString &Text,
                      RawJobSink *sink = nullptr);
