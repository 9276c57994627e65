-- Schema of ga7.mdb. Tables keep plain rowids (no declared id column), so
-- "insert into a select b.* from b" copies between tables of one layout.
CREATE TABLE BPN (capa INTEGER, fila INTEGER, columna INTEGER, valor REAL, nombre TEXT);
CREATE TABLE BPNPESOS (capa INTEGER, fila INTEGER, columna INTEGER, valor REAL);
CREATE TABLE BPNTargets (valor REAL, nombre TEXT);
CREATE TABLE bpnoriginal (capa INTEGER, fila INTEGER, columna INTEGER, valor REAL, nombre TEXT);
CREATE TABLE bpnpesosoriginal (capa INTEGER, fila INTEGER, columna INTEGER, valor REAL);
CREATE TABLE xor (capa INTEGER, fila INTEGER, columna INTEGER, valor REAL, nombre TEXT);
CREATE TABLE merval (capa INTEGER, fila INTEGER, columna INTEGER, valor REAL, nombre TEXT);
CREATE TABLE PasadasBPN (numero INTEGER, tramas TEXT, errorminimo REAL, error REAL, nropasadas REAL,
                         velocidaddeaprendizaje REAL);
CREATE TABLE AccionesXmes (numero INTEGER, nombre TEXT, codigo TEXT, anio INTEGER,
                           m1 REAL, m2 REAL, m3 REAL, m4 REAL, m5 REAL, m6 REAL,
                           m7 REAL, m8 REAL, m9 REAL, m10 REAL, m11 REAL, m12 REAL);
CREATE TABLE Mercap (numero INTEGER, nombre TEXT, codigo TEXT, anio INTEGER,
                     m1 REAL, m2 REAL, m3 REAL, m4 REAL, m5 REAL, m6 REAL,
                     m7 REAL, m8 REAL, m9 REAL, m10 REAL, m11 REAL, m12 REAL);
CREATE TABLE INDICES (numero INTEGER, fecha TEXT, anio INTEGER, mes INTEGER, merval REAL, sp500 REAL);
CREATE TABLE series (numero INTEGER, serie1 REAL, serie2 REAL);
CREATE TABLE GA (recno INTEGER, codigo INTEGER, decimal REAL, crossover INTEGER, mate INTEGER,
                 cadena TEXT, nueva TEXT, fitness REAL, prob REAL, acumprob REAL);
CREATE TABLE borrar2 (recno INTEGER, codigo INTEGER, decimal REAL, crossover INTEGER, mate INTEGER,
                      cadena TEXT, nueva TEXT, fitness REAL, prob REAL, acumprob REAL);
CREATE TABLE borrar (codigo INTEGER, cadena TEXT, decimal REAL, recno INTEGER, mate INTEGER);
CREATE TABLE sumas (sumafit REAL);
CREATE TABLE converge (codigo INTEGER, cadena TEXT, decimal REAL, fitness REAL, porc REAL,
                       funcionfitness TEXT, descrip TEXT);
CREATE TABLE GATargets (codigo INTEGER, cadena TEXT, decimal REAL, fitness REAL, porc REAL,
                        funcionfitness TEXT, descrip TEXT);
