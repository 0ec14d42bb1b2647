#include "uisupport/WizardMouse.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMouseEvent>
#include <QThread>

namespace stampwise::testing {

void ClickAt(QWidget* widget, QPoint position, Qt::MouseButton button) {
    const QPointF local(position);
    const QPointF global(widget->mapToGlobal(position));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
    QApplication::processEvents();
}

void ClickItem(QAbstractItemView* view, const QModelIndex& index) {
    view->scrollTo(index);
    ClickAt(view->viewport(), view->visualRect(index).center());
}

void DoubleClickItem(QAbstractItemView* view, const QModelIndex& index) {
    ClickItem(view, index);
    QWidget* viewport = view->viewport();
    const QPointF local(view->visualRect(index).center());
    const QPointF global(viewport->mapToGlobal(local));
    QMouseEvent press(QEvent::MouseButtonDblClick, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
    QApplication::processEvents();
}

void ClickEmptyPart(QAbstractItemView* view) {
    QWidget* viewport = view->viewport();
    ClickAt(viewport, QPoint(viewport->width() / 2, viewport->height() - 3));
}

bool WaitUntil(const std::function<bool()>& isDone) {
    QDeadlineTimer deadline(10000);
    while (!isDone()) {
        if (deadline.hasExpired()) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

}  // namespace stampwise::testing
