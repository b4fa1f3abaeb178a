-- The tables of vizi.mdb. Column order is part of the format: windows read
-- most columns by position.

-- Prescriptions. 名称 and 功效 sort in Chinese order (collation zh, which also
-- compares Latin letters without case); the other texts compare without case.
CREATE TABLE 中医方剂 (
    名称 TEXT COLLATE zh,
    构成 TEXT COLLATE NOCASE,
    功效 TEXT COLLATE zh,
    主治 TEXT COLLATE NOCASE,
    用法 TEXT COLLATE NOCASE,
    来源 TEXT COLLATE NOCASE,
    应用 TEXT COLLATE NOCASE,
    临床 TEXT COLLATE NOCASE
);
CREATE UNIQUE INDEX fjmci ON 中医方剂 (名称);
-- Lets the listing ordered by 功效 read rows in order instead of sorting them.
CREATE INDEX fjgxi ON 中医方剂 (功效);
-- Lets the query window's source list and its removal of a final "。" from the
-- sources read this index instead of every prescription.
CREATE INDEX fjlyi ON 中医方剂 (来源);

-- Term dictionaries: one term per row; a repeated term is refused silently.
CREATE TABLE 方剂功效 (方剂功效 TEXT COLLATE NOCASE UNIQUE ON CONFLICT IGNORE);
CREATE TABLE 方剂主治 (方剂主治 TEXT COLLATE NOCASE UNIQUE ON CONFLICT IGNORE);
CREATE TABLE 临床主治 (临床主治 TEXT COLLATE NOCASE UNIQUE ON CONFLICT IGNORE);

-- Clinic and user profile: one row once set up.
CREATE TABLE 用户资料 (
    单位 TEXT COLLATE NOCASE,
    地址 TEXT COLLATE NOCASE,
    电话 TEXT COLLATE NOCASE,
    姓名 TEXT COLLATE NOCASE
);

-- The one user: name, password, level ("1").
CREATE TABLE 密码表 (
    姓名 TEXT COLLATE NOCASE,
    密码 TEXT,
    级别 TEXT
);

-- System settings: one row; column "03" holds the background picture.
CREATE TABLE 系统资料 (
    "00" TEXT,
    "01" TEXT,
    "02" TEXT,
    "03" BLOB,
    "04" TEXT,
    "05" TEXT
);

-- Grid layouts: key in "00", widths in twips in "01" to "17".
CREATE TABLE 系统附表 (
    "00" INTEGER,
    "01" NUMERIC, "02" NUMERIC, "03" NUMERIC, "04" NUMERIC, "05" NUMERIC, "06" NUMERIC,
    "07" NUMERIC, "08" NUMERIC, "09" NUMERIC, "10" NUMERIC, "11" NUMERIC, "12" NUMERIC,
    "13" NUMERIC, "14" NUMERIC, "15" NUMERIC, "16" NUMERIC, "17" NUMERIC
);
CREATE UNIQUE INDEX lllk ON 系统附表 ("00");
