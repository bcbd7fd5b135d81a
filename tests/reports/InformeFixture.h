#pragma once
// A data folder with the office's tables and a list report of its clients, as the report
// forms build theirs: title, column heads, one line per client, the page number at the foot.
#include "tests/comun/DatFixture.h"

#include "comun/PresPrel.h"
#include "platform/report/QRCtrls.h"
#include "platform/report/QuickRpt.h"

namespace reportstest {

class InformeTest : public shelltest::DatTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // `count` clients with plain Spanish names; their codes in order.
    std::vector<int> Clientes(int count);
    // The clients' list over its own query, by surname.
    TQuickRep* ListaClientes();

    // Owner of the report and its query; freed before the data module.
    std::unique_ptr<TComponent> owner;
};

// "García López, Ana" ... the n-th name of a fixed round of surnames and names.
QString Apellidos(int n);
QString Nombre(int n);

}  // namespace reportstest
