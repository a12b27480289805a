#include "app/shortcuts_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vorlanth {

namespace {

constexpr int kMinWidth = 420;   // pixels: a command's name fits on one line
constexpr int kMinHeight = 400;

}  // namespace

TShortcutsDialog::TShortcutsDialog(const QList<QPair<QString, QString>>& rows, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ShortcutsDialog"));
  setWindowTitle(QStringLiteral("Keyboard shortcuts"));
  auto* column = new QVBoxLayout(this);
  Table = new QTableWidget(static_cast<int>(rows.size()), 2, this);
  Table->setObjectName(QStringLiteral("ShortcutsTable"));
  Table->setHorizontalHeaderLabels({QStringLiteral("Key"), QStringLiteral("Command")});
  Table->verticalHeader()->hide();
  Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Table->setSelectionBehavior(QAbstractItemView::SelectRows);
  for (int i = 0; i < rows.size(); ++i) {
    Table->setItem(i, 0, new QTableWidgetItem(rows[i].first));
    Table->setItem(i, 1, new QTableWidgetItem(rows[i].second));
  }
  Table->resizeColumnToContents(0);
  Table->resizeRowsToContents();  // compact: every key in view at once
  Table->horizontalHeader()->setStretchLastSection(true);
  column->addWidget(Table);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  column->addWidget(buttons);
  setMinimumSize(kMinWidth, kMinHeight);
}

}  // namespace vorlanth
