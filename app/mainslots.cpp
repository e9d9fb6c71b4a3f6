#include "mainslots.h"

#include "mainwindow.h"

#include <QAction>

MainSlots::MainSlots(MainWindow *window) : QObject(window), window(window) {}

void MainSlots::slot_menuSearch(QAction *action)
{
    if (!action || !action->data().isValid())
        return;
    window->showSearchCategory(action->text(), action->data().toInt());
}
