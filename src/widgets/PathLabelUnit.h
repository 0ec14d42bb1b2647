// TPathLabel: a one-line label for a path. A path too long for the label is cut in its middle,
// where two long paths least often differ, rather than at its end; the label's text and its
// tooltip stay the whole path.
#pragma once

#include <QLabel>

class TPathLabel : public QLabel {
    Q_OBJECT
public:
    explicit TPathLabel(QWidget* parent);

    // Shows path (cut to fit) with the whole of it as the tooltip; an empty path clears both.
    void SetPath(const QString& path);
    // The text as it is drawn: the path, or its two ends around "…" when it does not fit.
    QString ShownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect TextArea() const;
};
