-- Returned order lines: a key of two columns (the order line) and two keys to the same table (the
-- employee who took the return and the one who approved it). Created after the views so the table
-- list keeps its earlier order.
CREATE TABLE ORDER_RETURNS ( -- 返品
  RETURN_ID   NUMBER(6)    NOT NULL PRIMARY KEY,     -- 返品ID
  ORDER_NO    NUMBER(10)   NOT NULL,                 -- 受注番号
  LINE_NO     NUMBER(3)    NOT NULL,                 -- 明細番号
  RETURN_DATE DATE,                                  -- 返品日
  QUANTITY    NUMBER(6),                             -- 返品数量
  REASON      VARCHAR2(40),                          -- 返品理由
  RECEIVED_BY NUMBER(6)    REFERENCES EMPLOYEES (EMP_ID), -- 受付社員ID
  APPROVED_BY NUMBER(6)    REFERENCES EMPLOYEES (EMP_ID), -- 承認社員ID
  FOREIGN KEY (ORDER_NO, LINE_NO) REFERENCES ORDER_LINES (ORDER_NO, LINE_NO)
);

WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 40)
INSERT INTO ORDER_RETURNS
SELECT x,
       100000 + 1 + (x * 247 - 1) / 4,
       1 + (x * 247 - 1) % 4,
       date('2024-01-01', '+' || (x * 9) || ' days'),
       1 + x % 3,
       CASE x % 3 WHEN 0 THEN '破損' WHEN 1 THEN '数量違い' ELSE '品番違い' END,
       1000 + 1 + (x * 7) % 30,
       CASE WHEN x % 4 = 0 THEN NULL ELSE 1000 + 1 + x % 5 END
FROM n;
