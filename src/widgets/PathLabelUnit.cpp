#include "widgets/PathLabelUnit.h"

#include <QPainter>
#include <QStyle>

TPathLabel::TPathLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
}

void TPathLabel::SetPath(const QString& path) {
    setText(path);
    setToolTip(path);
}

QRect TPathLabel::TextArea() const {
    return contentsRect().adjusted(margin(), margin(), -margin(), -margin());
}

QString TPathLabel::ShownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, TextArea().width());
}

void TPathLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    style()->drawItemText(&painter, TextArea(), static_cast<int>(alignment()), palette(),
                          isEnabled(), ShownText(), foregroundRole());
}
