#include "app/help.h"

namespace vorn {

namespace {

constexpr const char* kGuide = R"guia(# Guía de vorn2

vorn2 es un banco de trabajo para experimentar con una red neuronal pequeña
(retropropagación, una capa oculta de hasta tres unidades y una salida) y con
un algoritmo genético que busca reglas de compra sobre series de acciones.
Todo se guarda en un solo archivo, `ga7.mdb`, en la carpeta donde se inicia
el programa.

## Las ventanas

- **Red** (la ventana principal): las tramas que alimentan la red (tabla
  `BPN`), sus pesos (`BPNPESOS`), el entrenamiento ("E", "Entrenar"), la
  ejecución de una trama, las operaciones sobre tramas del menú "Calcular" y
  los experimentos. Su barra de estado muestra el avance de las corridas
  largas, el tiempo transcurrido y el botón **Detener**.
- **Consultas**: los listados (pesos, tramas, el registro de experimentos
  "BD4", la población del algoritmo genético, el estudio) y la curva del
  error de un entrenamiento. Un doble clic en una línea de "BD4" dibuja la
  curva de ese experimento.
- **Algoritmo Genetico** (botón "GA"): la búsqueda de reglas, sus tablas, la
  validación y el estudio de años sucesivos.

Cada botón y cada elemento de menú explica en su ayuda emergente qué hace.
Las ventanas vuelven a abrirse donde se dejaron y se ajustan a la pantalla.

## Las corridas largas

Un entrenamiento, los cien experimentos, una búsqueda y un estudio pueden
durar minutos. Mientras corren:

- **Detener** (o Escape) termina la corrida al final de su pasada o
  generación. Un entrenamiento guarda lo hecho; un experimento detenido no
  guarda nada; una búsqueda detenida guarda su última generación entera y
  avisa "Busqueda detenida en la pasada p de P"; un estudio detenido no
  guarda nada.
- Los mensajes que sólo informan no detienen los cien experimentos ni una
  búsqueda: se anotan en la lista **Mensajes** de la barra de estado, que se
  abre cuando se quiera. Los errores, las advertencias, las preguntas y el
  resultado de la corrida siguen apareciendo como cuadros.
- Cerrar el programa o "Salir" durante una corrida la detiene y termina el
  programa sin cuadros que cerrar.
- Un experimento es una unidad: se guarda entero o no se guarda. Si el
  programa se interrumpe, la base queda como antes del experimento.
- Sólo una búsqueda o un estudio a la vez por archivo, aunque se abran dos
  programas sobre el mismo `ga7.mdb`.

Al iniciar, el programa hace un experimento de arranque que reemplaza las
tramas y los pesos. Los anteriores se guardan: **Red > Restaurar tramas
anteriores** los vuelve a poner.

## La búsqueda de reglas

Un cromosoma de 40 bits se lee como una regla: qué acción comprar y en qué
meses, según dos comparaciones entre series de la tabla de mercado (por
ejemplo "GGAL > AVG y ALUA <= BBAR"). La estrategia ("Strat", "stra2",
"set3", "Max", "Other", "Red", "Vorn") elige cómo se puntúa.

- **Clasico**: ruleta, cruce y mutación generación tras generación hasta que
  el fitness total se repite. Con la misma semilla repite sus resultados.
- **Torneo**: un número fijo de generaciones ("Generaciones"); el mejor pasa
  sin cambios y los demás nacen de padres elegidos en torneos de tres,
  cruzados en un punto y mutados bit a bit. Encuentra reglas mucho mejores
  con el mismo número de evaluaciones.

**Validar** puntúa las reglas halladas en 2018 (`AccionesXmes`) sobre 2019
(`Mercap`), junto al resultado de comprar y mantener la acción y al rendimiento
de 2019 leyendo la señal del mes anterior, con costos. Marca las reglas cuya
condición lee la misma acción que operan o una fila estadística.

## El estudio

**Estudio** responde la pregunta que importa: ¿las reglas halladas así
habrían ganado dinero, después de costos, frente a mantener el mercado, año
tras año? Usa diez años de historia (`AccionesHistoricas`, 2012 a 2022).

- Para cada año de prueba, de "Desde" a "Hasta", busca reglas en los "Años"
  anteriores y prueba la mejor en el año siguiente, que la búsqueda no vio.
- Las reglas leen el mes anterior (lo que un operador sabe al empezar el
  mes); los rendimientos se componen y cada compra y cada venta paga
  "Costo %".
- Compara con la **canasta** (todas las acciones por igual, compradas en
  enero y mantenidas), con mantener la acción de la regla, con la mejor de
  tantas reglas al azar como evaluó la búsqueda, y da un **p-valor**: qué
  parte de las mejores reglas al azar le fue al menos igual de bien.
- El resumen da las medias anuales y pruebas de signos. Un p-valor menor que
  0,05 sería indicio de habilidad; con ocho años, ni siete victorias de ocho
  lo aseguran del todo.
- La curva muestra cuánto vale un peso que sigue cada año la regla y cuánto
  uno que sigue la canasta. **Estudios** lista los estudios guardados.

## Los archivos

- `ga7.mdb`: la base de datos (SQLite). Se crea con datos de ejemplo si no
  existe. Otro programa puede leerla y escribirla mientras vorn2 está
  abierto.
- `bpn.csv`: las tramas exportadas ("Exportar Tramas") o por importar.
- `test.csv`: la historia del error del último entrenamiento.
- `last.csv`: el último paso de la canalización de tramas.
- `estudio.csv`: los años del último estudio, separados por ";".

## Sin ventanas

`vorn2 --script ARCHIVO` ejecuta un guion con las mismas ventanas, sin
mostrarlas: `click`, `set`, `get`, `answer`, `reply`, `list`. Una pregunta
sin respuesta en cola toma su botón por omisión. `--seed N` fija los números
al azar, de modo que un guion repite sus resultados.
)guia";

constexpr const char* kDataNotice = R"datos(
## Datos de mercado

**Acciones** (`AccionesXmes`, `Mercap`, `AccionesHistoricas`, `merval`):
derivadas de los cierres diarios de 52 acciones argentinas (BYMA),
2012-01-03 a 2022-08-12, archivo `merval.csv` del paquete Garpar
(Universidad Nacional de Córdoba / QuatroPe, https://github.com/quatrope/garpar).
El índice de `merval` es un sustituto equiponderado, no el índice S&P Merval
oficial.

> MIT License
>
> Copyright (c) 2021 Nadia Luczywo
>
> Permission is hereby granted, free of charge, to any person obtaining a copy of this software and associated documentation files (the "Software"), to deal in the Software without restriction, including without limitation the rights to use, copy, modify, merge, publish, distribute, sublicense, and/or sell copies of the Software, and to permit persons to whom the Software is furnished to do so, subject to the following conditions:
>
> The above copyright notice and this permission notice shall be included in all copies or substantial portions of the Software.
>
> THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE SOFTWARE.

**S&P 500** (`INDICES.sp500`): datos mensuales de Robert Shiller
(http://www.econ.yale.edu/~shiller/data.htm), a través del conjunto
https://github.com/datasets/s-and-p-500, bajo la Open Data Commons Public
Domain Dedication and License (ODC-PDDL-1.0).
)datos";

constexpr const char* kLicence = R"lic(
## Licencia de vorn2

MIT License

Copyright (c) 2026 the vorn2 developers

Se concede permiso, sin cargo, a cualquier persona que obtenga una copia de
este programa y de sus archivos de documentación para usarlo sin
restricciones, incluidos los derechos de usar, copiar, modificar, unir,
publicar, distribuir, sublicenciar y vender copias, con la condición de que
el aviso de copyright y este aviso de permiso se incluyan en todas las
copias o partes sustanciales. El programa se entrega "tal cual", sin
garantía de ningún tipo. El texto completo en inglés está en el archivo
`LICENSE`.
)lic";

}  // namespace

const std::string& guide_text() {
    static const std::string text = kGuide;
    return text;
}

std::string about_text() {
    return std::string("# vorn2 ") + VORN2_VERSION +
           "\n\nBanco de trabajo de redes neuronales y algoritmos genéticos sobre series financieras.\n" + kLicence +
           kDataNotice;
}

}  // namespace vorn
