#pragma once

#include "printing/ConnectionSettings.h"
#include "printing/DatabaseConnection.h"
#include "printing/DatabaseQuery.h"

// The agent's objects on the remote database: the one connection and its three query objects,
// created closed and holding their statements (db_aux starts with the jobs' clearing statement;
// each command sets its own text before running it).
struct RemotePrintStore {
    explicit RemotePrintStore(ConnectionSettings settings = ConnectionSettings::FromDeployment());

    // Opens the connection and runs one of the per-computer SELECTs afresh on query, for this
    // company and computer; the query then stands on the first row.
    void OpenForComputer(DatabaseQuery& query, const std::string& cnpj,
                         const std::string& computador);

    DatabaseConnection DBConexaoServidorMobile;
    DatabaseQuery db_busca_impressao;
    DatabaseQuery db_impressoras;
    DatabaseQuery db_aux;
};
