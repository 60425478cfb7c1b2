#pragma once

class GuidGenerator;
class PrintSystem;
struct RemotePrintStore;
struct TParametros;

// Keeps this computer's rows of impressoras_remotas in step with its installed printers, under
// the CNPJ and computer name of the settings.
class PrinterRegistry {
public:
    PrinterRegistry(RemotePrintStore& store, const TParametros& parametros,
                    const PrintSystem& printSystem, GuidGenerator& guids);

    // Deletes this company's and computer's rows one by one, then inserts one row per installed
    // printer, in the print system's order, each with a fresh GUID. Errors pass to the caller.
    void RegistrarImpressoras();

    // Deletes this company's and computer's rows. Errors pass to the caller.
    void RemoverImpressoras();

private:
    RemotePrintStore& m_store;
    const TParametros& m_parametros;
    const PrintSystem& m_printSystem;
    GuidGenerator& m_guids;
};
