#include "app/box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace vorlanth {

TBox::TBox(const QString& caption, const char* name, QWidget* parent) : QGroupBox(caption, parent) {
  setObjectName(QString::fromLatin1(name));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 0, 4, 2);
  layout->setSpacing(0);
}

QVBoxLayout* TBox::Column() const { return static_cast<QVBoxLayout*>(layout()); }

QSlider* TBox::AddBar(const QString& caption, const char* barName, int minimum, int maximum, int design,
                      const char* labelName, QLabel*& value) {
  auto* bar = Named(new QSlider(Qt::Horizontal, this), barName);
  bar->setFixedSize(BarWidth, BarHeight);
  bar->setRange(minimum, maximum);
  bar->setPageStep(DefaultPageSize);
  bar->setTickPosition(QSlider::NoTicks);
  bar->setValue(design);

  value = Named(new QLabel(QStringLiteral("-"), this), labelName);
  value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  auto* row = new QHBoxLayout;
  row->setSpacing(4);
  row->addWidget(new QLabel(caption, this));
  row->addStretch(1);
  row->addWidget(value);
  Column()->addLayout(row);
  Column()->addWidget(bar);
  return bar;
}

}  // namespace vorlanth
