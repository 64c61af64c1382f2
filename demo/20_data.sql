-- Demo data, generated deterministically.
BEGIN;

INSERT INTO DEPARTMENTS VALUES
  (10, '営業部', '東京本社'),
  (20, '開発部', '大阪支社'),
  (30, '総務部', '東京本社'),
  (40, '経理部', '東京本社'),
  (50, '物流部', '名古屋倉庫'),
  (60, '企画部', NULL);

CREATE TEMP TABLE SURNAMES (I INTEGER PRIMARY KEY, KANJI TEXT, KANA TEXT);
INSERT INTO SURNAMES (I, KANJI, KANA) VALUES
  (0, '佐藤', 'サトウ'), (1, '鈴木', 'スズキ'), (2, '高橋', 'タカハシ'), (3, '田中', 'タナカ'),
  (4, '伊藤', 'イトウ'), (5, '渡辺', 'ワタナベ'), (6, '山本', 'ヤマモト'), (7, '中村', 'ナカムラ'),
  (8, '小林', 'コバヤシ'), (9, '加藤', 'カトウ'), (10, '吉田', 'ヨシダ'), (11, '山田', 'ヤマダ');
CREATE TEMP TABLE GIVEN (I INTEGER PRIMARY KEY, KANJI TEXT, KANA TEXT);
INSERT INTO GIVEN (I, KANJI, KANA) VALUES
  (0, '太郎', 'タロウ'), (1, '花子', 'ハナコ'), (2, '一郎', 'イチロウ'), (3, '美咲', 'ミサキ'),
  (4, '健太', 'ケンタ'), (5, '陽子', 'ヨウコ'), (6, '大輔', 'ダイスケ'), (7, '由美', 'ユミ'),
  (8, '翔', 'ショウ'), (9, 'さくら', 'サクラ');
CREATE TEMP TABLE PREFS (I INTEGER PRIMARY KEY, NAME TEXT);
INSERT INTO PREFS (I, NAME) VALUES
  (0, '東京都'), (1, '大阪府'), (2, '愛知県'), (3, '北海道'), (4, '福岡県'), (5, '神奈川県'),
  (6, '京都府'), (7, '宮城県'), (8, '広島県'), (9, '沖縄県');

WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 30)
INSERT INTO EMPLOYEES
SELECT 1000 + x,
       s.KANJI || ' ' || g.KANJI,
       s.KANA || ' ' || g.KANA,
       10 * (1 + (x * 7) % 6),
       date('2005-04-01', '+' || ((x * 97) % 6000) || ' days'),
       CASE WHEN x % 11 = 0 THEN NULL ELSE 250000 + (x * 12345) % 400000 + (x % 4) * 0.25 END,
       CASE WHEN x <= 5 THEN NULL ELSE 1000 + 1 + (x % 5) END,
       CASE WHEN x % 7 = 0 THEN NULL ELSE 'emp' || (1000 + x) || '@example.jp' END
FROM n
JOIN SURNAMES s ON s.I = (x * 5) % 12
JOIN GIVEN g ON g.I = (x * 3) % 10;

WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 200)
INSERT INTO CUSTOMERS
SELECT 50000 + x,
       CASE x % 4 WHEN 0 THEN '株式会社' || s.KANJI || '商事'
                  WHEN 1 THEN s.KANJI || '工業株式会社'
                  WHEN 2 THEN '有限会社' || s.KANJI || g.KANJI || '堂'
                  ELSE s.KANJI || ' ' || g.KANJI END,
       p.NAME,
       CASE WHEN x % 9 = 0 THEN NULL ELSE '0' || (3 + x % 7) || '-' || (1000 + (x * 37) % 9000) || '-' || (1000 + (x * 53) % 9000) END,
       CASE WHEN x % 13 = 0 THEN NULL ELSE 100000 * (1 + x % 50) + 0.5 * (x % 3) END,
       date('2015-01-01', '+' || ((x * 41) % 3000) || ' days')
FROM n
JOIN SURNAMES s ON s.I = (x * 7) % 12
JOIN GIVEN g ON g.I = x % 10
JOIN PREFS p ON p.I = (x * 3) % 10;

INSERT INTO PRODUCTS VALUES
  (1, 'ボールペン（黒）', '文具', 120, 'N'), (2, 'ボールペン（赤）', '文具', 120, 'N'),
  (3, 'シャープペンシル 0.5mm', '文具', 350, 'N'), (4, '消しゴム', '文具', 80, 'N'),
  (5, 'A4 コピー用紙 500枚', '用紙', 580, 'N'), (6, 'A3 コピー用紙 500枚', '用紙', 1150, 'N'),
  (7, '大学ノート B5', '用紙', 150.5, 'N'), (8, 'クリアファイル 10枚組', '整理用品', 298, 'N'),
  (9, 'ホッチキス', '文具', 640, 'N'), (10, 'ホッチキス針 No.10', '文具', 99.99, 'N'),
  (11, 'デスクライト LED', '事務機器', 4980, 'N'), (12, 'シュレッダー', '事務機器', 12800, 'N'),
  (13, '電卓 12桁', '事務機器', 1980, 'N'), (14, 'ラベルプリンター', '事務機器', 9800, 'Y'),
  (15, 'トナーカートリッジ', '消耗品', 8900, 'N'), (16, 'インクカートリッジ 4色', '消耗品', 5400, 'N'),
  (17, '付箋 75×75mm', '文具', 210, 'N'), (18, '封筒 長3 100枚', '用紙', 480, 'N'),
  (19, 'ファイルボックス', '整理用品', 720, 'N'), (20, 'オフィスチェア', '家具', 29800, 'N'),
  (21, 'スチールデスク', '家具', 54000, 'N'), (22, '書庫 3段', '家具', 38000, 'Y'),
  (23, 'ホワイトボード', '事務機器', 15800, 'N'), (24, 'マーカー "太字" 3色', '文具', 390, 'N'),
  (25, '名刺用紙, 100枚', '用紙', 880, 'N'), (26, '試供品', NULL, NULL, NULL);

WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 2500)
INSERT INTO ORDERS
SELECT 100000 + x,
       50000 + 1 + (x * 17) % 200,
       1000 + 1 + (x * 7) % 30,
       date('2023-01-01', '+' || ((x * 3) % 700) || ' days'),
       CASE x % 10 WHEN 0 THEN '取消' WHEN 1 THEN '保留' WHEN 2 THEN '出荷済' ELSE '完了' END,
       CASE WHEN x % 5 = 0 THEN NULL ELSE 9000000000000000000 + x * 1000003 END,
       CASE WHEN x % 6 = 0 THEN '至急、午前中に配達' WHEN x % 17 = 0 THEN '請求書は"本社"宛て' ELSE NULL END
FROM n;

WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 10000)
INSERT INTO ORDER_LINES
SELECT 100000 + 1 + (x - 1) / 4,
       1 + (x - 1) % 4,
       p.PRODUCT_ID,
       1 + (x * 13) % 20,
       p.UNIT_PRICE,
       (1 + (x * 13) % 20) * p.UNIT_PRICE
FROM n
JOIN PRODUCTS p ON p.PRODUCT_ID = 1 + (x * 11) % 25;

COMMIT;
