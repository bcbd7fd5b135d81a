#pragma once
// Counts the events of one kind that reach the objects it is installed on.
#include <QEvent>
#include <QObject>

namespace zbtest {

class TCuentaEventos : public QObject {
public:
    explicit TCuentaEventos(QEvent::Type tipo) : FTipo(tipo) {}
    int Veces = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == FTipo) ++Veces;
        return false;
    }

private:
    QEvent::Type FTipo;
};

}  // namespace zbtest
