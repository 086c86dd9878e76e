#include "ui/qt/qt_controls.h"

#include <QPainter>

#include "ui/qt/event_hook.h"

namespace quorvane {

// ---- text box ----

QtTextBox::QtTextBox(QtStage& stage, QWidget& parent) : QtTextBox(stage, new QLineEdit(&parent)) {}

QtTextBox::QtTextBox(QtStage& stage, QLineEdit* edit)
    : QtControl(stage, *edit), edit_(edit), keys_(new KeyDownFilter(*edit)) {}

std::string QtTextBox::Text() const {
  return fromQString(edit_->text());
}

void QtTextBox::setText(std::string_view text) {
  edit_->setText(toQString(text));
}

void QtTextBox::setChangeHandler(std::function<void()> handler) {
  QObject::disconnect(edit_, &QLineEdit::textChanged, nullptr, nullptr);
  QObject::connect(edit_, &QLineEdit::textChanged, edit_,
                   [handler = std::move(handler)](const QString&) {
                     if (handler) handler();
                   });
}

// ---- drop-down list ----

QtComboList::QtComboList(QtStage& stage, QWidget& parent)
    : QtComboList(stage, new FocusWheelComboBox(parent)) {}

QtComboList::QtComboList(QtStage& stage, FocusWheelComboBox* combo)
    : QtControl(stage, *combo), combo_(combo), keys_(new KeyDownFilter(*combo)) {
  combo_->setEditable(false);
  combo_->setMaxVisibleItems(16);
  // A list parked out of sight (see QtControl) must not open its items on a key.
  combo_->setBeforePopup([this] { return Visible(); });
}

void QtComboList::AddItem(std::string_view text) {
  combo_->addItem(toQString(text), QVariant(std::int32_t{0}));
  newIndex_ = combo_->count() - 1;
}

std::string QtComboList::List(int index) const {
  if (index < 0 || index >= combo_->count()) return {};
  return fromQString(combo_->itemText(index));
}

std::int32_t QtComboList::ItemData(int index) const {
  if (index < 0 || index >= combo_->count()) return 0;
  return combo_->itemData(index).value<std::int32_t>();
}

void QtComboList::setItemData(int index, std::int32_t data) {
  if (index >= 0 && index < combo_->count()) combo_->setItemData(index, QVariant(data));
}

void QtComboList::setListIndex(int index) {
  if (index >= -1 && index < combo_->count()) combo_->setCurrentIndex(index);
}

// ---- label ----

QtLabel::QtLabel(QtStage& stage, QWidget& parent) : QtLabel(stage, new QLabel(&parent)) {}

QtLabel::QtLabel(QtStage& stage, QLabel* label) : QtControl(stage, *label), label_(label) {
  // File names are shown as they are, never read as markup.
  label_->setTextFormat(Qt::PlainText);
  label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

std::string QtLabel::Caption() const {
  return fromQString(label_->text());
}

void QtLabel::setCaption(std::string_view caption) {
  label_->setText(toQString(caption));
}

// ---- button ----

QtButton::QtButton(QtStage& stage, QWidget& parent) : QtButton(stage, new QPushButton(&parent)) {}

QtButton::QtButton(QtStage& stage, QPushButton* button)
    : QtControl(stage, *button), button_(button) {
  // Enter in an editor must never press a button.
  button_->setAutoDefault(false);
  // A click runs the command but leaves the keyboard focus where it was, in the editor
  // over the sheet; Tab still reaches the button.
  button_->setFocusPolicy(Qt::TabFocus);
  QObject::connect(button_, &QPushButton::clicked, button_, [this] {
    if (onClick_) onClick_();
  });
}

std::string QtButton::Caption() const {
  return fromQString(button_->text());
}

void QtButton::setCaption(std::string_view caption) {
  button_->setText(toQString(caption));
}

// ---- status bar ----

namespace {
constexpr int kPanelGap = 2;     // between the two panels
constexpr int kPanelIndent = 2;  // text from the panel's inner left edge
constexpr int kPanelEdge = 1;    // the sunken edge around a panel

// A status-bar panel: text inside a one-pixel sunken edge, drawn here because styles
// differ (Fusion draws a plain panel frame in the window's own colour).
class PanelLabel : public QLabel {
 public:
  explicit PanelLabel(QWidget* parent) : QLabel(parent) {
    setContentsMargins(kPanelEdge, kPanelEdge, kPanelEdge, kPanelEdge);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QLabel::paintEvent(event);
    QPainter painter(this);
    const QRect edge = rect().adjusted(0, 0, -1, -1);
    painter.setPen(QColor(160, 160, 160));
    painter.drawLine(edge.topLeft(), edge.topRight());
    painter.drawLine(edge.topLeft(), edge.bottomLeft());
    painter.setPen(QColor(255, 255, 255));
    painter.drawLine(edge.bottomLeft(), edge.bottomRight());
    painter.drawLine(edge.topRight(), edge.bottomRight());
  }
};
}  // namespace

QtStatusBar::QtStatusBar(QtStage& stage, QWidget& parent)
    : QtStatusBar(stage, new QWidget(&parent)) {
  new EventHook(parent, QEvent::Resize, [this](QEvent&) {
    place();
    return false;
  });
}

QtStatusBar::QtStatusBar(QtStage& stage, QWidget* bar)
    : QtControl(stage, *bar),
      bar_(bar),
      panel1_(new PanelLabel(bar)),
      panel2_(new PanelLabel(bar)) {
  for (QLabel* panel : {panel1_, panel2_}) {
    panel->setTextFormat(Qt::PlainText);
    panel->setIndent(kPanelIndent);
    panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  }
  panel2_->hide();
}

void QtStatusBar::place() {
  const QWidget* parent = bar_->parentWidget();
  const int height = std::max(0, toPixels(Height()));
  bar_->setGeometry(0, parent->height() - height, parent->width(), height);
  layoutPanels();
}

void QtStatusBar::layoutPanels() {
  const int width = bar_->width();
  const int height = bar_->height();
  int panel2Width = 0;
  if (!panel2_->text().isEmpty()) {
    // Wide enough for the whole text, with the frame and indent on both sides.
    panel2Width = panel2_->fontMetrics().horizontalAdvance(panel2_->text()) + 2 * kPanelEdge +
                  2 * kPanelIndent + 2;
    panel2Width = std::min(panel2Width, width);
  }
  panel2_->setGeometry(width - panel2Width, 0, panel2Width, height);
  const int panel1Width = std::max(0, width - (panel2Width > 0 ? panel2Width + kPanelGap : 0));
  panel1_->setGeometry(0, 0, panel1Width, height);
}

float QtStatusBar::Left() const {
  return static_cast<float>(bar_->x());
}
float QtStatusBar::Top() const {
  return static_cast<float>(bar_->y());
}
float QtStatusBar::Width() const {
  return static_cast<float>(bar_->width());
}

std::string QtStatusBar::PanelText(int panel) const {
  if (panel != 1 && panel != 2) return {};
  return fromQString(this->panel(panel).text());
}

void QtStatusBar::setPanelText(int panel, std::string_view text) {
  if (panel != 1 && panel != 2) return;
  this->panel(panel).setText(toQString(text));
  if (panel == 2) {
    panel2_->setVisible(!text.empty());
    layoutPanels();
  }
}

void QtStatusBar::setPanelWarning(int panel, bool warning) {
  if (panel != 1 && panel != 2) return;
  QLabel& label = this->panel(panel);
  QPalette palette = label.palette();
  palette.setColor(QPalette::WindowText,
                   warning ? QColor(Qt::red) : bar_->palette().color(QPalette::WindowText));
  label.setPalette(palette);
}

void QtStatusBar::setPanelToolTip(int panel, std::string_view text) {
  if (panel != 1 && panel != 2) return;
  this->panel(panel).setToolTip(toQString(text));
}

}  // namespace quorvane
