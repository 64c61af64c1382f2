-- Values that must come back exactly: 38-digit numbers, NULL beside the empty string, timestamps
-- with fractions, Japanese text.
CREATE TABLE VALUE_SAMPLES (
  ID      INTEGER PRIMARY KEY,
  BIG_NUM NUMERIC(38),
  FRAC    NUMERIC(20,6),
  STAMP   TIMESTAMP(3),
  DAY     DATE,
  LABEL   VARCHAR(40),
  NOTE    TEXT
);
INSERT INTO VALUE_SAMPLES VALUES
  (1, 12345678901234567890123456789012345678, 0.000001, '2024-02-29 23:59:59.123', '2024-02-29', '日本語のラベル', ''),
  (2, -99999999999999999999999999999999999999, -12345678901234.5, '1999-12-31 00:00:00', '1999-12-31', '', NULL),
  (3, NULL, NULL, NULL, NULL, NULL, 'カンマ, "引用符" と改行
の入った値'),
  (4, 0, 100, '2000-01-01 12:00:00.5', '2000-01-01', 'ＡＢＣ', '㈱髙﨑');
