#include "batch/window/report_window.h"

#include <QHBoxLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "settings/window/qt_text.h"

namespace eracuni::batch {

RunReportWindow::RunReportWindow(const std::string& title, const std::string& page, QWidget* parent)
    : QDialog(parent), browser_(new QTextBrowser(this)) {
  setObjectName("PorociloOIzdelavi");
  setWindowTitle(qt::ToQt(title));
  setSizeGripEnabled(true);
  browser_->setObjectName("report");
  browser_->setReadOnly(true);
  browser_->setOpenLinks(false);
  browser_->setHtml(QString::fromUtf8(page.data(), static_cast<qsizetype>(page.size())));

  auto* print = new QPushButton(qt::ToQt("NATISNI"), this);
  print->setObjectName("print");
  print->setAutoDefault(false);
  connect(print, &QPushButton::clicked, this, &RunReportWindow::Print);
  auto* close = new QPushButton(qt::ToQt(" ZAPRI"), this);
  close->setObjectName("close");
  connect(close, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(print);
  buttons->addWidget(close);
  auto* column = new QVBoxLayout(this);
  column->addWidget(browser_, 1);
  column->addLayout(buttons);
  resize(900, 700);
}

void RunReportWindow::Print() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(QPageSize(QPageSize::A4));
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() == QDialog::Accepted) browser_->print(&printer);
}

}  // namespace eracuni::batch
