#include "printing/PrinterRegistry.h"

#include "common/GuidText.h"
#include "common/TParametros.h"
#include "platform/PrintSystem.h"
#include "printing/RemotePrintStore.h"

#include <string>
#include <vector>

namespace {

// Opens the connection and the query on this company's and computer's rows, then deletes them one
// request at a time, whatever printer each names. The query stays open at its end.
DatabaseQuery& OpenAndDeleteRows(RemotePrintStore& store, const TParametros& parametros) {
    DatabaseQuery& printers = store.db_impressoras;
    store.OpenForComputer(printers, parametros.CNPJ, parametros.Computador);
    while (!printers.Eof()) {
        printers.Delete();
    }
    return printers;
}

void CloseQueryAndConnection(RemotePrintStore& store) {
    store.db_impressoras.Close();
    store.DBConexaoServidorMobile.Close();
}

} // namespace

PrinterRegistry::PrinterRegistry(RemotePrintStore& store, const TParametros& parametros,
                                 const PrintSystem& printSystem, GuidGenerator& guids)
    : m_store(store), m_parametros(parametros), m_printSystem(printSystem), m_guids(guids) {}

void PrinterRegistry::RegistrarImpressoras() {
    DatabaseQuery& printers = OpenAndDeleteRows(m_store, m_parametros);
    // Taken once, after the old rows are gone: a failure here leaves them deleted.
    const std::vector<std::string> names = m_printSystem.PrinterNames();
    for (const std::string& name : names) {
        printers.Insert();
        printers.FieldByName("GUID").SetAsString(GerarGUID(m_guids));
        printers.FieldByName("CNPJ").SetAsString(m_parametros.CNPJ);
        printers.FieldByName("COMPUTADOR").SetAsString(m_parametros.Computador);
        printers.FieldByName("IMPRESSORA").SetAsString(name);
        printers.Post();
    }
    CloseQueryAndConnection(m_store);
}

void PrinterRegistry::RemoverImpressoras() {
    OpenAndDeleteRows(m_store, m_parametros);
    CloseQueryAndConnection(m_store);
}
