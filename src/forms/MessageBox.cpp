// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/MessageBox.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr int widest = 480;
constexpr int narrowest = 160;

QStyle::StandardPixmap iconOf(MessageBox::Kind kind) {
  return kind == MessageBox::Kind::Critical ? QStyle::SP_MessageBoxCritical
                                            : QStyle::SP_MessageBoxQuestion;
}

}  // namespace

MessageBox::MessageBox(Kind kind, const QString& title, const QString& text, QWidget* over)
    : QDialog(over), text_(new QTextEdit(this)) {
  setWindowTitle(title);
  setModal(true);
  auto* grid = new QGridLayout(this);
  grid->setSizeConstraint(QLayout::SetFixedSize);
  if (kind != Kind::Plain) {
    auto* icon = new QLabel(this);
    const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(iconOf(kind), nullptr, this).pixmap(side, side));
    grid->addWidget(icon, 0, 0, Qt::AlignTop);
  }
  text_->setReadOnly(true);
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  text_->setFrameShape(QFrame::NoFrame);
  text_->viewport()->setAutoFillBackground(false);
  text_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  text_->setPlainText(text);
  fitText(text);
  grid->addWidget(text_, 0, 1);

  auto* buttons = new QDialogButtonBox(
      kind == Kind::Question ? QDialogButtonBox::Yes | QDialogButtonBox::No
                             : QDialogButtonBox::StandardButtons(QDialogButtonBox::Ok),
      this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* first = qobject_cast<QPushButton*>(buttons->buttons().front());
  first->setDefault(true);
  first->setFocus();
  grid->addWidget(buttons, 1, 0, 1, 2);
}

// As wide as the longest line, up to a readable measure; as tall as the wrapped text, up to
// most of the screen, past which it scrolls.
void MessageBox::fitText(const QString& text) {
  const QFontMetrics metrics(text_->font());
  const int margins = 2 * static_cast<int>(std::ceil(text_->document()->documentMargin())) + 2;
  int natural = 0;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    natural = std::max(natural, metrics.horizontalAdvance(line) + margins);
  }
  const int width = std::clamp(natural, narrowest, widest);
  // Measured on a copy: the view's own document is laid out for the view's present size.
  const std::unique_ptr<QTextDocument> measured(text_->document()->clone());
  measured->setTextWidth(width);
  const QScreen* screen = this->screen();
  const int tallest = screen ? screen->availableGeometry().height() * 2 / 3 : 600;
  const int height = static_cast<int>(std::ceil(measured->size().height()));
  text_->setFixedSize(width, std::min(height, tallest));
  text_->setVerticalScrollBarPolicy(height > tallest ? Qt::ScrollBarAsNeeded
                                                     : Qt::ScrollBarAlwaysOff);
}
