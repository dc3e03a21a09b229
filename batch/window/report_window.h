// RunReportWindow: the run report in a window of its own, to read and to print.
//
// The window shows the page the run wrote (UTF-8 HTML, rendered by batch/run_report.h) and
// cannot change it; "NATISNI" prints it through the system's print dialog. It holds a copy
// of the page and nothing else, so it may outlive the main window's run.
#pragma once

#include <QDialog>
#include <string>

class QTextBrowser;

namespace eracuni::batch {

class RunReportWindow : public QDialog {
  Q_OBJECT

 public:
  // `title` windows-1250, `page` UTF-8.
  RunReportWindow(const std::string& title, const std::string& page, QWidget* parent = nullptr);

  QTextBrowser* browser() const { return browser_; }

 private:
  void Print();

  QTextBrowser* browser_;
};

}  // namespace eracuni::batch
