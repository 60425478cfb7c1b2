#include "printing/RemotePrintStore.h"

#include "printing/RemoteStatements.h"

RemotePrintStore::RemotePrintStore(ConnectionSettings settings)
    : DBConexaoServidorMobile(std::move(settings)),
      db_busca_impressao(DBConexaoServidorMobile, remote_statements::kBuscaImpressao),
      db_impressoras(DBConexaoServidorMobile, remote_statements::kImpressoras),
      db_aux(DBConexaoServidorMobile, remote_statements::kApagarImpressoes) {}

void RemotePrintStore::OpenForComputer(DatabaseQuery& query, const std::string& cnpj,
                                       const std::string& computador) {
    DBConexaoServidorMobile.Open();
    query.Close();
    query.ParamByName("CNPJ") = cnpj;
    query.ParamByName("COMPUTADOR") = computador;
    query.Open();
}
