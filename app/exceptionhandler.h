#pragma once

#include <QObject>

// Raises signal_Exception() when the program meets a fault that the companion should hear of.
class ExceptionHandler : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void signal_Exception();
};
