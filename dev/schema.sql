-- The two tables the agent shares with the server side, as that side defines them, plus a copy of
-- the jobs table without any key, on which the row-identification tests run. Loaded on every start
-- of the local MariaDB, so each statement may run again.

CREATE TABLE IF NOT EXISTS impressoras_remotas (
    GUID       VARCHAR(38)  NOT NULL,
    CNPJ       VARCHAR(14)  NOT NULL,
    COMPUTADOR VARCHAR(64)  NOT NULL,
    IMPRESSORA VARCHAR(255) NOT NULL DEFAULT '',
    PRIMARY KEY (GUID),
    KEY ix_impressoras_cnpj_computador (CNPJ, COMPUTADOR)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE IF NOT EXISTS impressoes_remotas (
    GUID       VARCHAR(38)  NOT NULL,
    CNPJ       VARCHAR(14)  NOT NULL,
    COMPUTADOR VARCHAR(64)  NOT NULL,
    IMPRESSORA VARCHAR(255) NOT NULL DEFAULT '',
    ARQUIVO    LONGBLOB     NULL,
    IMPRIMIR   CHAR(1)      NOT NULL DEFAULT 'S',
    PRIMARY KEY (GUID),
    KEY ix_impressoes_pendentes (CNPJ, COMPUTADOR, IMPRIMIR)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE IF NOT EXISTS impressoes_remotas_sem_chave (
    GUID       VARCHAR(38)  NOT NULL,
    CNPJ       VARCHAR(14)  NOT NULL,
    COMPUTADOR VARCHAR(64)  NOT NULL,
    IMPRESSORA VARCHAR(255) NOT NULL DEFAULT '',
    ARQUIVO    LONGBLOB     NULL,
    IMPRIMIR   CHAR(1)      NOT NULL DEFAULT 'S'
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;
