// Mouse clicks and waits for the window tests of the wizard: real press and release events, so a
// test goes through the same handlers as a user's click.
#pragma once

#include <QModelIndex>
#include <QPoint>
#include <functional>

class QAbstractItemView;
class QWidget;

namespace stampwise::testing {

void ClickAt(QWidget* widget, QPoint position, Qt::MouseButton button = Qt::LeftButton);
// A click in the middle of the item's cell.
void ClickItem(QAbstractItemView* view, const QModelIndex& index);
// A double click in the middle of the item's cell, as the window system sends it: a click, then
// a second press that is a double click, and its release.
void DoubleClickItem(QAbstractItemView* view, const QModelIndex& index);
// A click in the view below its last row, where there is no item.
void ClickEmptyPart(QAbstractItemView* view);

// Processes events until isDone() holds or about ten seconds have passed; returns isDone().
// For the file system models, which list folders on a thread of their own.
bool WaitUntil(const std::function<bool()>& isDone);

}  // namespace stampwise::testing
