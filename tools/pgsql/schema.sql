-- The stock-take server's schema, installed (or brought up to date) by
-- "tallivo-office --db CONNINFO init NAME", in one transaction. Every
-- statement may run again: a second init changes nothing.
--
--   tallivo.stocktake      one row per stock-take, by name
--   tallivo.station        the stations that joined a stock-take, with the
--                          login that may write for each (add-station)
--   tallivo.event          every confirmed change a station's journal holds,
--                          keyed by (stock-take, station, epoch, sequence):
--                          a change sent twice is stored once
--   tallivo.station_line   each station's current count: the lines its last
--                          epoch's events leave
--   roles                  tallivo_poste: the stations' logins, which may add
--                          and read only their own station's events;
--                          tallivo_bureau: the back office, which reads all
--
-- A station's events replay like its journal: an event holds the line as
-- the change left it (quantity after the change); "clears" empties the
-- count first (a new count, or the count restated), "removed" deletes the
-- line. The combination of the stations (one line per article, letter case
-- ignored, quantities summed) is made by tallivo-office with the merge's
-- own code.

CREATE SCHEMA IF NOT EXISTS tallivo;

DO $$
BEGIN
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tallivo_poste') THEN
    CREATE ROLE tallivo_poste NOLOGIN;
  END IF;
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tallivo_bureau') THEN
    CREATE ROLE tallivo_bureau NOLOGIN;
  END IF;
END
$$;

CREATE TABLE IF NOT EXISTS tallivo.meta (
  key text PRIMARY KEY,
  value text NOT NULL
);
INSERT INTO tallivo.meta VALUES ('schema', '1') ON CONFLICT (key) DO NOTHING;

CREATE TABLE IF NOT EXISTS tallivo.stocktake (
  id serial PRIMARY KEY,
  name text NOT NULL UNIQUE CHECK (name <> '' AND length(name) <= 100),
  created timestamptz NOT NULL DEFAULT now()
);

CREATE TABLE IF NOT EXISTS tallivo.station (
  stocktake integer NOT NULL REFERENCES tallivo.stocktake ON DELETE CASCADE,
  station text NOT NULL CHECK (station ~ '^[A-Za-z0-9._-]{1,64}$'),
  login name UNIQUE,
  joined timestamptz NOT NULL DEFAULT now(),
  PRIMARY KEY (stocktake, station)
);

CREATE TABLE IF NOT EXISTS tallivo.event (
  stocktake integer NOT NULL,
  station text NOT NULL,
  epoch bigint NOT NULL,
  seq bigint NOT NULL CHECK (seq > 0),
  kind smallint NOT NULL,
  clears boolean NOT NULL DEFAULT false,
  removed boolean NOT NULL DEFAULT false,
  code text NOT NULL,
  name text,
  category text,
  stock text,
  qty double precision,
  delta double precision,
  price double precision,
  zone text NOT NULL DEFAULT '',
  note text NOT NULL DEFAULT '',
  at timestamptz NOT NULL,
  received timestamptz NOT NULL DEFAULT now(),
  CONSTRAINT event_once PRIMARY KEY (stocktake, station, epoch, seq),
  FOREIGN KEY (stocktake, station) REFERENCES tallivo.station ON DELETE CASCADE
);

-- The lines of each station's current count. For one station, ask with
-- stocktake and station: the planner then reads that station's events only.
CREATE OR REPLACE VIEW tallivo.station_line WITH (security_invoker = true) AS
WITH current AS (
  SELECT e.stocktake, e.station, max(e.epoch) AS epoch
  FROM tallivo.event e GROUP BY e.stocktake, e.station
), since AS (
  SELECT e.stocktake, e.station, e.epoch, coalesce(max(e.seq) FILTER (WHERE e.clears), 0) AS seq
  FROM tallivo.event e JOIN current c USING (stocktake, station, epoch)
  GROUP BY e.stocktake, e.station, e.epoch
), last AS (
  SELECT DISTINCT ON (e.stocktake, e.station, e.code) e.*
  FROM tallivo.event e JOIN since s USING (stocktake, station, epoch)
  WHERE e.seq >= s.seq AND e.code <> ''
  ORDER BY e.stocktake, e.station, e.code, e.seq DESC
)
SELECT stocktake, station, epoch, seq, code, name, category, stock, qty, price, zone, at
FROM last WHERE NOT removed;

-- Every insert of events tells the listeners (tallivo-office watch) which
-- stations changed: channel tallivo_event, payload "STOCKTAKE-ID STATION".
CREATE OR REPLACE FUNCTION tallivo.notify_event() RETURNS trigger LANGUAGE plpgsql AS $$
DECLARE
  r record;
BEGIN
  FOR r IN SELECT DISTINCT stocktake, station FROM inserted LOOP
    PERFORM pg_notify('tallivo_event', r.stocktake || ' ' || r.station);
  END LOOP;
  RETURN NULL;
END
$$;
CREATE OR REPLACE TRIGGER event_notify AFTER INSERT ON tallivo.event
  REFERENCING NEW TABLE AS inserted FOR EACH STATEMENT EXECUTE FUNCTION tallivo.notify_event();

-- Rights. A station's login reads its own station row and adds and reads
-- its own events; it can change or delete nothing. The owner of the schema
-- (who ran init) is not bound by the policies.
ALTER TABLE tallivo.station ENABLE ROW LEVEL SECURITY;
ALTER TABLE tallivo.event ENABLE ROW LEVEL SECURITY;

DROP POLICY IF EXISTS station_own ON tallivo.station;
CREATE POLICY station_own ON tallivo.station FOR SELECT TO tallivo_poste
  USING (login = current_user);
DROP POLICY IF EXISTS event_own_read ON tallivo.event;
CREATE POLICY event_own_read ON tallivo.event FOR SELECT TO tallivo_poste
  USING (EXISTS (SELECT FROM tallivo.station s WHERE s.stocktake = event.stocktake
                 AND s.station = event.station AND s.login = current_user));
DROP POLICY IF EXISTS event_own_insert ON tallivo.event;
CREATE POLICY event_own_insert ON tallivo.event FOR INSERT TO tallivo_poste
  WITH CHECK (EXISTS (SELECT FROM tallivo.station s WHERE s.stocktake = event.stocktake
                      AND s.station = event.station AND s.login = current_user));
DROP POLICY IF EXISTS station_office ON tallivo.station;
CREATE POLICY station_office ON tallivo.station FOR SELECT TO tallivo_bureau USING (true);
DROP POLICY IF EXISTS event_office ON tallivo.event;
CREATE POLICY event_office ON tallivo.event FOR SELECT TO tallivo_bureau USING (true);

REVOKE ALL ON ALL TABLES IN SCHEMA tallivo FROM PUBLIC;
GRANT USAGE ON SCHEMA tallivo TO tallivo_poste, tallivo_bureau;
GRANT SELECT ON tallivo.meta, tallivo.stocktake, tallivo.station TO tallivo_poste, tallivo_bureau;
GRANT SELECT, INSERT ON tallivo.event TO tallivo_poste;
GRANT SELECT ON tallivo.event, tallivo.station_line TO tallivo_bureau;
