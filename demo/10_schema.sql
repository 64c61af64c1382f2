-- Demo sales schema: departments, employees, customers, products, orders and their lines.
-- Types are written as on the server (VARCHAR2(n), NUMBER(p,s), DATE) so the column list shows them.
-- The comment ending a table's or a column's line is its Japanese logical name; the PostgreSQL test
-- cluster turns the same comments into COMMENT ON statements.

CREATE TABLE DEPARTMENTS ( -- 部署
  DEPT_ID     NUMBER(4)    NOT NULL PRIMARY KEY, -- 部署ID
  DEPT_NAME   VARCHAR2(40) NOT NULL,             -- 部署名
  LOCATION    VARCHAR2(40)                       -- 所在地
);

CREATE TABLE EMPLOYEES ( -- 社員
  EMP_ID      NUMBER(6)    NOT NULL PRIMARY KEY,       -- 社員ID
  EMP_NAME    VARCHAR2(40) NOT NULL,                   -- 社員名
  EMP_KANA    VARCHAR2(60),                            -- 社員名カナ
  DEPT_ID     NUMBER(4)    REFERENCES DEPARTMENTS (DEPT_ID), -- 所属部署ID
  HIRE_DATE   DATE,                                    -- 入社日
  SALARY      NUMBER(10,2),                            -- 月給
  MANAGER_ID  NUMBER(6)    REFERENCES EMPLOYEES (EMP_ID), -- 上司社員ID
  EMAIL       VARCHAR2(80)                             -- メールアドレス
);

CREATE TABLE CUSTOMERS ( -- 顧客
  CUST_ID      NUMBER(8)    NOT NULL PRIMARY KEY, -- 顧客ID
  CUST_NAME    VARCHAR2(80) NOT NULL,             -- 顧客名
  PREFECTURE   VARCHAR2(20),                      -- 都道府県
  PHONE        VARCHAR2(20),                      -- 電話番号
  CREDIT_LIMIT NUMBER(12,2),                      -- 与信限度額
  CREATED_AT   DATE                               -- 登録日
);

CREATE TABLE PRODUCTS ( -- 商品
  PRODUCT_ID   NUMBER(6)    NOT NULL PRIMARY KEY, -- 商品ID
  PRODUCT_NAME VARCHAR2(80) NOT NULL,             -- 商品名
  CATEGORY     VARCHAR2(20),                      -- 分類
  UNIT_PRICE   NUMBER(10,2),                      -- 標準単価
  DISCONTINUED CHAR(1)                            -- 販売終了区分
);

CREATE TABLE ORDERS ( -- 受注
  ORDER_NO    NUMBER(10)   NOT NULL PRIMARY KEY,          -- 受注番号
  CUST_ID     NUMBER(8)    REFERENCES CUSTOMERS (CUST_ID), -- 顧客ID
  EMP_ID      NUMBER(6)    REFERENCES EMPLOYEES (EMP_ID),  -- 担当社員ID
  ORDER_DATE  DATE,                                       -- 受注日
  STATUS      VARCHAR2(10),                               -- 状態
  TRACKING_NO NUMBER(19),                                 -- 追跡番号
  NOTE        VARCHAR2(200)                               -- 備考
);

CREATE TABLE ORDER_LINES ( -- 受注明細
  ORDER_NO    NUMBER(10)   NOT NULL REFERENCES ORDERS (ORDER_NO), -- 受注番号
  LINE_NO     NUMBER(3)    NOT NULL,                             -- 明細番号
  PRODUCT_ID  NUMBER(6)    REFERENCES PRODUCTS (PRODUCT_ID),     -- 商品ID
  QUANTITY    NUMBER(6),                                         -- 数量
  UNIT_PRICE  NUMBER(10,2),                                      -- 単価
  AMOUNT      NUMBER(12,2),                                      -- 金額
  PRIMARY KEY (ORDER_NO, LINE_NO)
);

-- Totals per order with the customer, for trying a view.
CREATE VIEW ORDER_SUMMARY ( -- 受注集計
  ORDER_NO,     -- 受注番号
  ORDER_DATE,   -- 受注日
  CUST_NAME,    -- 顧客名
  PREFECTURE,   -- 都道府県
  STATUS,       -- 状態
  LINE_COUNT,   -- 明細件数
  TOTAL_AMOUNT  -- 合計金額
) AS
  SELECT o.ORDER_NO, o.ORDER_DATE, c.CUST_NAME, c.PREFECTURE, o.STATUS,
         count(l.LINE_NO), sum(l.AMOUNT)
  FROM ORDERS o
  JOIN CUSTOMERS c ON c.CUST_ID = o.CUST_ID
  LEFT JOIN ORDER_LINES l ON l.ORDER_NO = o.ORDER_NO
  GROUP BY o.ORDER_NO, o.ORDER_DATE, c.CUST_NAME, c.PREFECTURE, o.STATUS;

-- Sales per department, under a Japanese name.
CREATE VIEW 部署別売上 ( -- 部署別の売上
  部署名,   -- 部署の名称
  受注件数, -- 担当した受注の件数
  売上金額  -- 明細金額の合計
) AS
  SELECT d.DEPT_NAME, count(DISTINCT o.ORDER_NO), sum(l.AMOUNT)
  FROM DEPARTMENTS d
  JOIN EMPLOYEES e ON e.DEPT_ID = d.DEPT_ID
  JOIN ORDERS o ON o.EMP_ID = e.EMP_ID
  JOIN ORDER_LINES l ON l.ORDER_NO = o.ORDER_NO
  GROUP BY d.DEPT_NAME;
