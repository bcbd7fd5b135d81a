#!/usr/bin/python3
"""An office's first day with the real program, under a window manager (see escritorio.py).

One step is one function marked @paso, run in the order written; a later issue adds its steps
where they belong in the day. Positions inside a window are the form's own layout (client-area
pixels), as a person who knows the form would aim.
"""
import datetime
import os
import re
import subprocess
import sys
from html import unescape

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from escritorio import Fallo, color_de, main, oscuros, paso, rojos  # noqa: E402

PRINCIPAL = r"Zembra - \[ .* \]"
ALTO_FILA = 13  # a drop-down list's row, in the forms' 8-point face

# The case-file form's lookup combos: left, top, width (client pixels, edit mode).
ABOGADO = (92, 177, 270)
PROCURADOR = (92, 229, 270)
AB_CONTRARIO = (510, 177, 272)
PROC_CONTRARIO = (510, 203, 272)
PERITO = (510, 229, 272)


class Desplegable:
    """A drop-down of a window: opened with a click on its button, picked with a click on a row.

    Its list is a window of its own, found on the screen where it must be: its top left corner
    under the combo's bottom left one.
    """

    def __init__(self, r, wid, caja, alto=21):
        self.r, self.wid = r, wid
        self.izq, self.arriba, self.ancho = caja
        self.alto = alto

    def lista(self):
        x, y, _, _ = self.r.geometria(self.wid)
        sx, sy = x + self.izq, y + self.arriba + self.alto
        for lx, ly, lw, lh in self.r.flotantes():
            if abs(lx - sx) <= 4 and abs(ly - sy) <= 4 and lh > 10:
                return (lx, ly, lw, lh)
        return None

    def abre(self):
        self.r.clic(self.wid, self.izq + self.ancho - 8, self.arriba + self.alto // 2)
        self.espera_abierta()

    def espera_abierta(self):
        try:
            return self.r.espera(self.lista, 10, "la lista abierta")
        except Fallo:
            x, y, _, _ = self.r.geometria(self.wid)
            print("buscada en", x + self.izq, y + self.arriba + self.alto, "ventanas:", self.r.flotantes())
            raise

    def espera_cerrada(self):
        self.r.espera(lambda: self.lista() is None, 10, "la lista cerrada")

    def elige(self, fila):
        """A click on row `fila` (0 the first) of the open list."""
        self.r.clic(self.wid, self.izq + 40, self.arriba + self.alto + 2 + fila * ALTO_FILA + ALTO_FILA // 2)
        self.espera_cerrada()


class ListaSobreElCombo(Desplegable):
    """A plain combo's drop-down: its list opens over the combo, the current row on it."""

    def lista(self):
        x, y, _, _ = self.r.geometria(self.wid)
        arriba = y + self.arriba
        return next((c for c in self.r.flotantes() if abs(c[0] - (x + self.izq)) <= 4
                     and abs(c[2] - self.ancho) <= 4 and c[1] <= arriba + self.alto and c[1] + c[3] >= arriba), None)

    def fila(self, fila):
        """Where row `fila` of the open list is, in the window's client pixels."""
        _, y, _, _ = self.r.geometria(self.wid)
        _, ly, _, _ = self.lista()
        return self.izq + 40, ly - y + 1 + fila * ALTO_FILA + ALTO_FILA // 2

    def sobre(self, fila):
        """The pointer over row `fila`, without a click."""
        self.r.xdotool("mousemove", "--window", str(self.wid), *(str(v) for v in self.fila(fila)))

    def elige(self, fila):
        self.r.clic(self.wid, *self.fila(fila))
        self.espera_cerrada()


@paso
def arranca_y_entra(r):
    r.programa = r.lanza()
    w = r.ventana("Identificación", 60)
    r.activa(w)
    r.escribe("SUPERVISOR")
    r.teclas("Return")
    r.escribe("KODRAM")
    r.clic(w, 136 + 42, 110 + 14)  # OK
    r.principal = r.ventana(PRINCIPAL, 60)
    # The caption alone: nothing of the toolkit's after it.
    titulo = r.titulo(r.principal)
    if not titulo.startswith("Zembra - [ ") or not titulo.endswith(" ]"):
        raise Fallo(f"título de la ventana principal: «{titulo}»")


# A party form (client, opposing party, office lawyer): its "Apellidos" and "Nombre" boxes, the
# bar's "Salir" and the footer's OK, in client pixels.
APELLIDOS = (95 + 60, 39 + 27 + 10)
NOMBRE = (470 + 60, 39 + 27 + 10)
SALIR_FICHA = (328, 15)


def crea_persona(r, tecla, titulo, tabla, clave, apellidos, nombre):
    """Archivo > the party's item, "Nuevo" with Ctrl+Insert, the names typed, OK: the row stored."""
    antes = r.sql(f"SELECT COALESCE(MAX({clave}), 0) FROM {tabla}")[0][0]
    r.activa(r.principal)
    r.teclas("alt+a")
    r.teclas(tecla)
    w = r.ventana(titulo)
    r.activa(w)
    r.teclas("ctrl+Insert")
    # The state shows in red at the bar's right: "[Estado :Nuevo]".
    _, _, ancho, alto = r.geometria(w)
    r.espera(lambda: rojos(r.captura(wid=w), (ancho - 178, 4, ancho - 8, 28)) > 20, 10, f"«{titulo}» en alta")
    r.clic(w, *APELLIDOS)
    r.escribe(apellidos)
    r.clic(w, *NOMBRE)
    r.escribe(nombre)
    r.clic(w, ancho - 194 + 45, alto - 36 + 5 + 13)  # OK
    fila = r.espera_sql(f"SELECT {clave}, APELLIDOS, NOMBRE FROM {tabla} WHERE {clave} > {antes}",
                        lambda f: f, 10, f"la fila nueva de {tabla}")[0]
    if (fila[1], fila[2]) != (apellidos, nombre):
        raise Fallo(f"{tabla}: se guardó {fila[1:]}, no {(apellidos, nombre)}")
    r.clic(w, *SALIR_FICHA)
    r.sin_ventana(titulo)
    return fila[0]


@paso
def crea_cliente_contrario_y_abogado(r):
    r.cliente = crea_persona(r, "c", "Cliente", "clientes", "CLIENTE", "Yuste Salas", "Marta")
    crea_persona(r, "o", "Contrarios", "contrarios", "CONTRARIO", "Gil Campos", "Andrés")
    crea_persona(r, "a", "Abogado del  Despacho", "abocli", "ABOCLI", "Vidal Roca", "Elena")


@paso
def elige_abogado_en_la_principal(r):
    # A new case file is opened for the lawyer the main window shows.
    r.activa(r.principal)
    combo = Desplegable(r, r.principal, (575, 22, 200), alto=22)
    combo.abre()
    combo.elige(1)  # the first lawyer after "TODOS"


@paso
def abre_expediente_nuevo(r):
    r.activa(r.principal)
    r.teclas("ctrl+Insert")
    w = r.ventana("Introduzca Nuevo Expediente")
    r.activa(w)
    # The box proposes the year's last case file; the new one is typed over it.
    r.clic(w, 132 + 4, 38 + 10)
    r.teclas("Home")
    r.escribe("99001A")
    r.clic(w, 72 + 44, 132 + 13)  # OK
    r.expediente = r.ventana(r"Expediente \.\.\.\.")
    r.activa(r.expediente)
    r.clic(r.expediente, 16, 14)  # edit
    # The state shows in red at the bar's right: "[Estado :Modificar]".
    r.espera(lambda: rojos(r.captura(wid=r.expediente), (690, 2, 818, 26)) > 20, 10,
             "el expediente en edición")


@paso
def elige_profesionales_con_el_raton(r):
    e = r.expediente
    for caja in (PROCURADOR, ABOGADO):
        combo = Desplegable(r, e, caja)
        combo.abre()
        combo.elige(1)
    # Esc closes a list without choosing; so does a click elsewhere on the form.
    combo = Desplegable(r, e, PROC_CONTRARIO)
    combo.abre()
    r.teclas("Escape")
    combo.espera_cerrada()
    combo = Desplegable(r, e, PERITO)
    combo.abre()
    r.clic(e, 250, 292)  # an empty part of the form, beside "Clientes :"
    combo.espera_cerrada()
    # The keyboard: Alt+Down opens, Down moves, Enter takes.
    combo = Desplegable(r, e, AB_CONTRARIO)
    combo.abre()
    r.teclas("Escape")
    combo.espera_cerrada()
    r.teclas("alt+Down")
    combo.espera_abierta()
    r.teclas("Down", "Return")
    combo.espera_cerrada()


@paso
def guarda_el_expediente(r):
    x, y, w, h = r.geometria(r.expediente)
    r.clic(r.expediente, w - 190 + 44, h - 30 + 13)  # OK
    ok = r.espera_sql("SELECT ANO, NUMERO, ABOCLI, ABOENT, PROCLI, ABOCON, PROCON, PERITO FROM exped "
                      "ORDER BY rowid DESC LIMIT 1", lambda f: f and f[0][4] not in (None, 0, ""), 15,
                      "el expediente guardado con su procurador")[0]
    ano, numero, abocli, aboent, procli, abocon, procon, perito = ok
    if abocli == aboent:
        raise Fallo(f"el abogado elegido con el ratón no se guardó ({abocli})")
    if procon or perito:
        raise Fallo(f"una lista cerrada sin elegir cambió un valor: {procon}, {perito}")
    if not abocon:
        raise Fallo("el abogado contrario elegido con el teclado no se guardó")


def ultimo_expediente(r):
    return r.sql("SELECT ANO, NUMERO FROM exped ORDER BY rowid DESC LIMIT 1")[0]


@paso
def anade_el_cliente_al_expediente(r):
    # "Añadir" under "Clientes :" offers the clients not yet in the case file; the new one is
    # found by typing its first letters in the list.
    ano, numero = ultimo_expediente(r)
    r.activa(r.expediente)
    r.clic(r.expediente, 8 + 48, 409 + 11)  # Añadir
    w = r.ventana("Buscar Cliente")
    r.activa(w)
    r.escribe("Yuste")
    r.clic(w, 198 + 31, 3 + 13)  # Ok
    r.sin_ventana("Buscar Cliente")
    r.espera_sql(f"SELECT CLIENTE FROM expcli WHERE ANO = '{ano}' AND NUMERO = '{numero}'",
                 lambda f: [r.cliente] in [list(x) for x in f], 10, "el cliente en el expediente")


@paso
def apunta_un_importe_con_decimales(r):
    # The office starts in euros without anyone setting it: "1000,50" is a thousand euros and
    # fifty cents.
    ano, numero = ultimo_expediente(r)
    r.activa(r.expediente)
    r.clic(r.expediente, 308 + 48, 585 + 11)  # Económico
    eco = r.ventana(r"Situación Económica de .*")
    r.activa(eco)
    r.teclas("ctrl+Insert")
    dlg = r.ventana("Anotación Económica")
    r.activa(dlg)
    r.clic(dlg, 96 + 150, 38 + 20)  # Concepto
    r.escribe("Honorarios de la demanda")
    tipo = ListaSobreElCombo(r, dlg, (96, 124, 120))
    tipo.abre()
    tipo.elige(1)  # Derecho
    r.clic(dlg, 96 + 40, 152 + 10)  # Importe
    r.escribe("1000,50")
    r.clic(dlg, 120 + 44, 200 + 13)  # OK
    r.sin_ventana("Anotación Económica")
    fila = r.espera_sql(f"SELECT IMPORTE, TIPO FROM cuentas WHERE ANO = '{ano}' AND NUMERO = '{numero}'",
                        lambda f: f, 10, "el apunte guardado")[0]
    moneda = r.sql(f"SELECT MONEDA FROM exped WHERE ANO = '{ano}' AND NUMERO = '{numero}'")[0][0]
    despacho = r.sql("SELECT MONEDA FROM sistem")[0][0]
    if despacho != "E":
        raise Fallo(f"la carpeta nueva no empieza en euros: «{despacho}»")
    if abs(fila[0] - 1000.50) > 0.001 or fila[1] != 2 or moneda != "E":
        raise Fallo(f"apunte guardado como {fila[0]} (tipo {fila[1]}) en la moneda «{moneda}»")
    r.clic(eco, 268 + 12, 15)  # Salir
    r.sin_ventana(r"Situación Económica de .*")


@paso
def factura_el_expediente(r):
    ano, numero = ultimo_expediente(r)
    r.activa(r.expediente)
    r.clic(r.expediente, 188 + 12, 14)  # Facturar
    pregunta = r.ventana("¡¡ ATENCIÓN !!")
    r.activa(pregunta)
    r.teclas("Return")  # Sí
    dlg = r.ventana(r"Facturar Expediente \.\.")
    r.activa(dlg)
    r.clic(dlg, 4 + 32, 4 + 13)  # Ok
    r.sin_ventana(r"Facturar Expediente \.\.")
    fila = r.espera_sql(f"SELECT FACTURA, IVA, DERECHOS, IMPIVA, TOTAL, SITUACION, FECHAFACTURA, IMPIRPF FROM exped "
                        f"WHERE ANO = '{ano}' AND NUMERO = '{numero}'", lambda f: f[0][5] == 2, 15,
                        "el expediente facturado")[0]
    factura, iva, derechos, impiva, total = fila[:5]
    if not factura:
        raise Fallo("la factura se guardó sin número")
    # 21 % of 1000.50 is 210.105: an exact half cent goes to the even cent.
    if iva != 21 or abs(derechos - 1000.50) > 0.001 or abs(impiva - 210.10) > 0.001 \
            or abs(total - (derechos + impiva - fila[7])) > 0.001:
        raise Fallo(f"factura {factura}: IVA {iva} %, derechos {derechos}, cuota {impiva}, total {total}")
    otras = r.sql("SELECT COUNT(*) FROM exped WHERE FACTURA = ? AND strftime('%Y', FECHAFACTURA) = "
                  "strftime('%Y', ?)", factura, fila[6])[0][0]
    if otras != 1:
        raise Fallo(f"el número de factura {factura} está {otras} veces en su año")


CERRAR_EXPEDIENTE = (164 + 12, 14)  # the case form's "Cerrar" (close or reopen)


@paso
def reabre_el_expediente_facturado(r):
    # Closed, then opened again: the question first names the invoice that leaves the lists, and
    # the reopening's agenda row keeps it.
    ano, numero = ultimo_expediente(r)
    clave = f"WHERE ANO = '{ano}' AND NUMERO = '{numero}'"
    factura, fecha = r.sql(f"SELECT FACTURA, FECHAFACTURA FROM exped {clave}")[0]
    r.activa(r.expediente)
    r.clic(r.expediente, *CERRAR_EXPEDIENTE)
    pregunta = r.ventana("¡¡ ATENCIÓN !!")
    r.quieta(pregunta)
    ancho_cierre = r.geometria(pregunta)[2]
    r.activa(pregunta)
    r.teclas("Return")  # Sí
    r.sin_ventana("¡¡ ATENCIÓN !!")
    r.espera_sql(f"SELECT SITUACION FROM exped {clave}", lambda f: f[0][0] == 3, 10, "el expediente cerrado")
    r.activa(r.expediente)
    r.clic(r.expediente, *CERRAR_EXPEDIENTE)
    pregunta = r.ventana("¡¡ ATENCIÓN !!")
    r.quieta(pregunta)
    r.captura("reabre-con-factura", pregunta)
    # The box's text cannot be read from outside: the line that names the invoice ("Factura Nº 1
    # de dd/mm/aaaa, total ...: dejará de figurar en las listas de facturas.") makes it far wider
    # than the one-line question of the close, which the title's width alone sets.
    ancho = r.geometria(pregunta)[2]
    if ancho < ancho_cierre + 150:
        raise Fallo(f"la pregunta de reabrir no lleva la línea de la factura: {ancho} px de ancho, "
                    f"la de cerrar {ancho_cierre} px")
    # Dates are kept as day numbers from 30/12/1899.
    dia = (datetime.date(1899, 12, 30) + datetime.timedelta(days=int(fecha))).strftime("%d/%m/%Y")
    aviso = f"Factura Nº {factura} de {dia}, total "
    r.activa(pregunta)
    r.teclas("Return")  # Sí
    r.sin_ventana("¡¡ ATENCIÓN !!")
    fila = r.espera_sql(f"SELECT SITUACION, FACTURA FROM exped {clave}", lambda f: f[0][0] == 1, 10,
                        "el expediente reabierto")[0]
    if fila[1]:
        raise Fallo(f"el expediente reabierto conserva la factura {fila[1]}")
    nota = r.espera_sql(f"SELECT SITUACION FROM agenda {clave} AND SITUACION LIKE 'REAPERTURA DE EXPEDIENTE%'",
                        lambda f: f, 10, "la reapertura en la agenda")[0][0]
    if not nota.startswith("REAPERTURA DE EXPEDIENTE") or aviso not in nota:
        raise Fallo(f"la agenda no guarda la factura retirada: «{nota}»")


# Where a caption's letters are, in client pixels: the main window's "Informes" menu title and
# the case form's "Económico" and "Agenda" buttons.
INFORMES = (276, 1, 326, 16)
BOTON_ECONOMICO = (326, 582, 390, 598)
BOTON_AGENDA = (736, 582, 800, 598)


@paso
def anota_en_la_agenda_del_expediente(r):
    # The case form's "Agenda", then "Añadir": the entry editor, its type picked from a combo
    # edit's list with the mouse.
    antes = r.sql("SELECT COUNT(*) FROM agenda")[0][0]
    r.activa(r.expediente)
    r.clic(r.expediente, 763, 596)  # Agenda
    agenda = r.ventana(r"Agenda del Expediente .*")
    r.clic(agenda, 262, 17)  # Añadir
    nota = r.ventana("Anotación de Agenda")
    tipo = Desplegable(r, nota, (97, 37, 223))
    tipo.abre()
    tipo.elige(1)
    r.clic(nota, 290, 100)  # Anotación
    r.escribe("Llamar al cliente")
    r.clic(nota, 350, 286)  # OK
    r.sin_ventana("Anotación de Agenda")
    filas = r.espera_sql("SELECT COUNT(*), MAX(rowid) FROM agenda", lambda f: f[0][0] == antes + 1, 10,
                         "la anotación guardada")
    tipo_agenda, texto = r.sql("SELECT TIPOAGENDA, SITUACION FROM agenda WHERE rowid = ?", filas[0][1])[0]
    if not tipo_agenda or tipo_agenda == "GENERAL":
        raise Fallo(f"el tipo elegido con el ratón no se guardó ({tipo_agenda})")
    if "Llamar al cliente" not in (texto or ""):
        raise Fallo(f"la anotación no se guardó: «{texto}»")
    r.agenda = agenda


# The yearly calendar's "Tipo de día :" colour combo, in client pixels, and the swatch it shows
# of the chosen colour.
TIPO_DE_DIA = (92, 40, 200)
MUESTRA = (100, 47, 110, 54)
ENERO = (124, 118, 24)  # the year's first day column and January's row; a day column's width
NEGRO, VERDE, OLIVA, PURPURA = (0, 0, 0), (0, 128, 0), (128, 128, 0), (128, 0, 128)


@paso
def elige_tipo_de_dia_en_el_calendario(r):
    r.activa(r.agenda)
    r.clic(r.agenda, 778, 17)  # Calendario
    # An office without this year's calendar is asked to make it on the way.
    r.espera(lambda: r.busca("¡¡ ATENCIÓN !!") or r.busca("Configuración Anual"), 20, "el calendario anual")
    if r.busca("¡¡ ATENCIÓN !!"):
        pregunta = r.ventana("¡¡ ATENCIÓN !!")
        r.activa(pregunta)
        r.teclas("Return")  # Sí
    w = r.ventana("Configuración Anual")
    r.activa(w)

    def muestra(color, que):
        r.espera(lambda: color_de(r.captura(wid=w), MUESTRA) == color, 10, f"la muestra {que} en el combo")

    muestra(NEGRO, "negra")
    combo = ListaSobreElCombo(r, w, TIPO_DE_DIA, alto=22)
    combo.abre()
    combo.elige(2)  # Verde
    muestra(VERDE, "verde elegida con el ratón")
    # The focus is back on the combo: the keyboard moves on from the colour chosen.
    r.teclas("Down")
    muestra(OLIVA, "oliva, la siguiente")
    # The list closed without a choice leaves the colour, whatever row the pointer or the
    # arrows went over.
    combo.abre()
    combo.sobre(9)
    r.teclas("Escape")
    combo.espera_cerrada()
    combo.abre()
    combo.sobre(12)
    r.clic(w, 40, 50)  # beside the combo, on "Tipo de día :"
    combo.espera_cerrada()
    r.teclas("alt+Down")
    combo.espera_abierta()
    r.teclas("Down", "Down", "Escape")
    combo.espera_cerrada()
    muestra(OLIVA, "oliva tras cerrar la lista sin elegir")
    r.teclas("alt+Down")
    combo.espera_abierta()
    r.teclas("Down", "Down", "Return")
    combo.espera_cerrada()
    muestra(PURPURA, "púrpura elegida con el teclado")
    # A double click on a day of the year gives it the type chosen: the second Monday of January
    # of the year shown, today's.
    ano = datetime.date.today().year
    primero = datetime.date(ano, 1, 1).weekday()
    dia = datetime.date(ano, 1, 8 + (7 - primero) % 7)
    r.clic(w, ENERO[0] + (primero + dia.day - 1) * ENERO[2], ENERO[1], veces=2)
    fecha = r.ventana("Introducir Fecha Especial")
    r.activa(fecha)
    r.escribe("Juicio")
    r.teclas("Return")
    r.sin_ventana("Introducir Fecha Especial")
    serie = (dia - datetime.date(1899, 12, 30)).days
    fila = r.espera_sql(f"SELECT Color, Descripcion FROM fechas WHERE Fecha = {serie}", lambda f: f, 10,
                        "el día guardado")[0]
    if fila != (5, "Juicio"):
        raise Fallo(f"el {dia} se guardó como {fila}, no como Púrpura (5) «Juicio»")
    r.clic(w, 100, 17)  # Salir
    r.sin_ventana("Configuración Anual")
    r.clic(r.agenda, 895, 17)  # Volver
    r.sin_ventana(r"Agenda del Expediente .*")


def entra_como(r, usuario, clave):
    w = r.ventana("Identificación")
    r.activa(w)
    r.escribe(usuario)
    r.teclas("Return")
    r.escribe(clave)
    r.clic(w, 136 + 42, 110 + 14)  # OK
    r.sin_ventana("Identificación")


def abre_ultimo_expediente(r, principal):
    """Opens the last case file of the main window's list (the one this walk made, at start)."""
    r.activa(principal)
    r.clic(principal, 200, 100)  # the list's first row
    r.teclas("ctrl+End", "ctrl+Return")
    return r.ventana(r"Expediente \.\.\.\.")


def edita(r, expediente):
    r.clic(expediente, 16, 14)
    r.espera(lambda: rojos(r.captura(wid=expediente), (690, 2, 818, 26)) > 20, 10, "el expediente en edición")


@paso
def otro_puesto_encuentra_el_registro_en_uso(r):
    # This workstation edits the new case file; another one opens it and tries the same.
    r.activa(r.expediente)
    edita(r, r.expediente)
    primero = r.programa
    r.programa = r.lanza()
    try:
        entra_como(r, "SUPERVISOR", "KODRAM")
        # Today's agenda has the new case file's opening: the program says so at start.
        aviso = r.ventana("¡¡ ATENCION !!", 60)
        r.activa(aviso)
        r.teclas("Return")
        principal = r.ventana(PRINCIPAL, 60)
        expediente = abre_ultimo_expediente(r, principal)
        r.clic(expediente, 16, 14)  # edit: the other workstation holds the row
        error = r.ventana("¡¡ ERROR !!")
        imagen = r.captura("registro-en-uso", error)
        r.clic(error, imagen.width - 45, imagen.height - 20)  # Aceptar
        r.sin_ventana("¡¡ ERROR !!")
        if r.busca(r"Expediente \.\.\.\.") and rojos(r.captura(wid=expediente), (690, 2, 818, 26)) > 20:
            raise Fallo("el segundo puesto editó un expediente en uso")
        r.programa.terminate()
        r.programa.wait(10)
    finally:
        r.programa = primero
    # The first workstation gives the row back.
    r.activa(r.expediente)
    r.clic(r.expediente, 766, 633)  # No
    r.espera(lambda: rojos(r.captura(wid=r.expediente), (690, 2, 818, 26)) == 0, 10, "el expediente sin editar")
    r.clic(r.expediente, 303, 14)  # Salir
    r.sin_ventana(r"Expediente \.\.\.\.")


@paso
def crea_un_modelo_nuevo(r):
    # Herramientas > Escritos ("&Exportar .." shares the letter), then "Nuevo" on the models list.
    r.activa(r.principal)
    r.teclas("alt+h")
    r.teclas("e", "Return")
    lista = r.ventana("Lista de Escritos")
    r.activa(lista)
    r.clic(lista, 86 + 40, 4 + 13)  # Nuevo
    w = r.ventana(r"Introduzca \.\.")
    r.activa(w)
    r.clic(w, 12 + 100, 34 + 11)
    r.escribe("Primera carta")
    r.clic(w, 118 + 44, 68 + 14)  # OK
    # The row and its file come together; the office template is written on the way.
    numero = r.espera_sql("SELECT ESCRITO FROM escritos", lambda f: f, 15, "el modelo nuevo en la tabla")[0][0]
    modelo = os.path.join(r.datos, "Modelos", f"{numero}.docx")
    r.espera(lambda: os.path.exists(modelo), 10, "el fichero del modelo")
    if not os.path.exists(os.path.join(r.datos, "Zembra.dotx")):
        raise Fallo("no se escribió la plantilla del despacho")
    r.activa(lista)
    r.clic(lista, 250 + 40, 4 + 13)  # No
    r.sin_ventana("Lista de Escritos")


def imprime_a_pdf(r, vista, pdf, captura=None):
    """Prints the preview `vista` to `pdf` and returns its text. The system's dialog opens on its
    printer list, whose last entry is "print to file", to print.pdf in the home folder."""
    r.activa(vista)
    r.clic(vista, 16, 14)  # print
    opciones = r.ventana(r"Imprimir \.\.")
    r.activa(opciones)
    r.clic(opciones, 232 + 40, 10 + 12)  # &Impresora
    dialogo = r.ventana("^(Print|Imprimir)$")
    r.activa(dialogo)
    r.teclas("End")
    if captura:
        r.captura(captura)
    r.teclas("Return")
    r.sin_ventana("^(Print|Imprimir)$")
    r.activa(opciones)
    r.clic(opciones, 74 + 42, 160 + 14)  # OK
    r.espera(lambda: os.path.exists(pdf) and os.path.getsize(pdf) > 1000, 20, "el PDF escrito")
    r.sin_ventana(r"Presentación Preliminar \.\.")
    return subprocess.run(["pdftotext", pdf, "-"], capture_output=True, text=True, timeout=30).stdout


@paso
def imprime_los_clientes_a_pdf(r):
    pdf = os.path.join(r.trabajo, "print.pdf")
    r.activa(r.principal)
    r.teclas("alt+i")
    r.teclas("c")  # Informes > Clientes
    vista = r.ventana(r"Presentación Preliminar \.\.", 30)
    # The whole screen, and no more: its bottom (the scroll bar) must not fall off it.
    x, y, ancho, alto = r.geometria(vista)
    if x < 0 or y < 0 or x + ancho > 1280 or y + alto > 1024:
        raise Fallo(f"la presentación preliminar sale de la pantalla: {x},{y} {ancho}x{alto}")
    texto = imprime_a_pdf(r, vista, pdf, "impresion-a-pdf")
    if "LISTADO DE CLIENTES" not in texto:
        raise Fallo("el PDF no tiene el listado de clientes")


def columna_del_pdf(pdf, cabecera, siguiente):
    """The words printed under `cabecera` (up to the column headed `siguiente`), as pdftotext reads
    them, in reading order and joined by blanks: a procedure wrapped in two lines reads whole."""
    cajas = subprocess.run(["pdftotext", "-bbox", pdf, "-"], capture_output=True, text=True, timeout=30).stdout
    palabras, columna = [], []
    for pagina, html in enumerate(cajas.split("<page ")[1:]):
        for x, y, w in re.findall(r'<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>([^<]*)</word>', html):
            palabras.append((pagina, float(y), float(x), unescape(w)))
    for pagina in sorted({p for p, _, _, _ in palabras}):
        enpagina = [p for p in palabras if p[0] == pagina]
        desde = next((p for p in enpagina if p[3] == cabecera), None)
        hasta = next((p for p in enpagina if p[3] == siguiente and desde and abs(p[1] - desde[1]) < 2), None)
        if not desde or not hasta:
            continue
        columna += [p for p in enpagina if desde[2] - 1 <= p[2] < hasta[2] - 1 and p[1] > desde[1] + 2]
    return " ".join(w for _, _, _, w in sorted(columna))


@paso
def imprime_los_expedientes_por_cliente_a_pdf(r):
    # Informes > Expedientes > Por Cliente, every client, printed to a file as the clients were.
    pdf = os.path.join(r.trabajo, "print.pdf")
    if os.path.exists(pdf):
        os.remove(pdf)
    r.activa(r.principal)
    r.teclas("alt+i")
    r.teclas("e", "c")
    limites = r.ventana("Límites para el Informe")
    r.activa(limites)
    r.clic(limites, 82 + 44, 160 + 14)  # OK, "Todos"
    vista = r.ventana(r"Presentación Preliminar \.\.", 30)
    texto = imprime_a_pdf(r, vista, pdf)
    if "LISTADO DE EXPEDIENTES POR CLIENTES" not in texto:
        raise Fallo("el PDF no tiene el listado de expedientes por cliente")
    ano = re.search(r"\b(\d{4})/\d{5}-", texto)
    if not ano:
        raise Fallo("el listado por cliente no tiene expedientes")
    # Every procedure of the year's case files with a client reads whole in its column, the
    # long ones ("Recurso de Apelación") over two lines of their row.
    procedimientos = [f[0] for f in r.sql(
        "SELECT DISTINCT B.PROCEDIMIENTO FROM expcli A, exped B WHERE A.ANO = ? AND B.ANO = A.ANO "
        "AND B.NUMERO = A.NUMERO AND COALESCE(B.PROCEDIMIENTO, '') <> ''", ano.group(1))]
    columna = columna_del_pdf(pdf, "Procedimiento", "Contrario")
    if not any(" " in p and len(p) > 16 for p in procedimientos):
        raise Fallo(f"el despacho no tiene procedimientos largos que leer: {procedimientos}")
    cortados = [p for p in procedimientos if p not in columna]
    if cortados:
        raise Fallo(f"procedimientos cortados en el PDF: {cortados}; la columna dice «{columna[:400]}»")


@paso
def cambia_a_un_usuario_sin_listados(r):
    r.activa(r.principal)
    if oscuros(r.captura("menu-supervisor", r.principal), INFORMES) == 0:
        raise Fallo("el menú Informes del supervisor no se dibuja activo")
    r.teclas("alt+h")
    r.teclas("u")  # Cambio de Usuario
    entra_como(r, "LUISA", "CLAVE")
    # Without "Listados" the menu title is drawn disabled: no dark letters left.
    r.espera(lambda: oscuros(r.captura(wid=r.principal), INFORMES) == 0, 10, "el menú Informes desactivado")
    r.captura("menu-restringido", r.principal)


@paso
def sin_economico_el_boton_se_ve_desactivado(r):
    r.expediente = abre_ultimo_expediente(r, r.principal)
    imagen = r.captura("expediente-restringido", r.expediente)
    if oscuros(imagen, BOTON_AGENDA) == 0:
        raise Fallo("el botón Agenda no se dibuja activo")
    if oscuros(imagen, BOTON_ECONOMICO) > 0:
        raise Fallo("el botón Económico se dibuja activo sin el derecho Economico")
    r.clic(r.expediente, 303, 14)  # Salir
    r.sin_ventana(r"Expediente \.\.\.\.")


def sale(r, principal):
    r.activa(principal)
    r.teclas("alt+a")
    r.teclas("s")
    w = r.ventana("Confirme operación")
    r.clic(w, 64 + 40, 84 + 13)  # OK
    r.espera(lambda: r.programa.poll() is not None, 30, "el final del programa")
    if r.programa.returncode != 0:
        raise Fallo(f"el programa terminó con {r.programa.returncode}")


@paso
def sale_por_el_dialogo(r):
    sale(r, r.principal)


# The lane's own window of edits with a drop-down (zembra_controles): each edit's left, top and
# width in client pixels; its pop-up hangs under it, right edges aligned.
FECHA = (90, 12, 140)
IMPORTE = (90, 44, 140)
NOTA = (328, 12, 140)
FILA_CALENDARIO, COLUMNA_CALENDARIO = 13, 26  # a day's cell in the calendar pop-up
TECLA_CALCULADORA = (23, 23)  # a key's step in the calculator pop-up
ALTO_PANTALLA = 1024


class Emergente(Desplegable):
    """The pop-up of an edit with a button (calendar, calculator)."""

    def lista(self):
        # Under the edit, or over it when there is no room below.
        x, y, _, _ = self.r.geometria(self.wid)
        derecha, arriba = x + self.izq + self.ancho, y + self.arriba
        return next((c for c in self.r.flotantes() if abs(c[0] + c[2] - derecha) <= 4 and c[3] > 40
                     and (abs(c[1] - (arriba + self.alto)) <= 4 or abs(c[1] + c[3] - arriba) <= 4)), None)

    def pulsa(self, dx, dy):
        """A click at (dx, dy) of the open pop-up."""
        x, y, _, _ = self.r.geometria(self.wid)
        lx, ly, _, _ = self.lista()
        self.r.clic(self.wid, lx - x + dx, ly - y + dy)


class Informe:
    """What the lane's window of edits says on its output: which edit has the focus, what each holds."""

    def __init__(self, r, programa):
        self.r, self.programa = r, programa

    def lineas(self):
        with open(self.programa.registro) as f:
            return [l.rstrip("\n") for l in f]

    def texto(self, edit):
        """The last text `edit` reported."""
        return next((l.split(" ", 2)[2] for l in reversed(self.lineas()) if l.startswith(f"texto {edit} ")), None)

    def foco(self):
        return next((l.split(" ")[1] for l in reversed(self.lineas()) if l.startswith("foco ")), None)

    def espera_texto(self, edit, texto, que):
        self.r.espera(lambda: self.texto(edit) == texto, 10, f"«{texto}» en {edit} {que}")

    def sigue(self, edit, texto, foco):
        """Nothing changed: `edit` still holds `texto` and `foco` has the focus."""
        if self.texto(edit) != texto or self.foco() != foco:
            raise Fallo(f"{edit} tiene «{self.texto(edit)}» y el foco {self.foco()}; se esperaba «{texto}» y {foco}")


def abre_controles(r):
    r.controles = r.programa = r.lanza(programa=r.args.controles)
    w = r.ventana("Controles")
    r.activa(w)
    return w, Informe(r, r.controles)


def escribe_fecha(r, w, informe, fecha):
    """A click in the window of edits' date and `fecha` typed in it, its digits only."""
    r.clic(w, FECHA[0] + 20, FECHA[1] + 10)
    r.espera(lambda: informe.foco() == "Fecha", 10, "el foco en la fecha")
    r.teclas("Home")
    r.escribe(fecha.replace("/", ""))
    informe.espera_texto("Fecha", fecha, "escrita")


@paso
def elige_fechas_en_el_calendario_emergente(r):
    w, informe = abre_controles(r)
    escribe_fecha(r, w, informe, "15/03/2024")
    # The mouse: the button opens the calendar on the month of the date, its button goes to the
    # month before; February 2024 starts on a Thursday, so the third week's Monday is the 12th.
    calendario = Emergente(r, w, FECHA)
    calendario.abre()
    calendario.pulsa(20, 8)  # the previous month: February 2024 starts on a Thursday
    calendario.pulsa(13, 27 + 2 * FILA_CALENDARIO + FILA_CALENDARIO)
    calendario.espera_cerrada()
    informe.espera_texto("Fecha", "12/02/2024", "elegida con el ratón")
    # The focus is back in the edit: its key opens the calendar again; Esc closes it without
    # taking the day the arrows went to.
    r.teclas("alt+Down")
    calendario.espera_abierta()
    r.teclas("Down", "Escape")
    calendario.espera_cerrada()
    calendario.abre()
    r.clic(w, 300, 200)  # an empty part of the window, under the note
    calendario.espera_cerrada()
    informe.sigue("Fecha", "12/02/2024", "Fecha")
    r.teclas("alt+Down")  # the focus stayed in the edit
    calendario.espera_abierta()
    r.teclas("Escape")
    calendario.espera_cerrada()
    # A click on another edit closes the calendar and takes the focus there.
    calendario.abre()
    r.clic(w, NOTA[0] + 20, NOTA[1] + 10)
    calendario.espera_cerrada()
    r.espera(lambda: informe.foco() == "Nota", 10, "el foco en la nota")
    informe.sigue("Fecha", "12/02/2024", "Nota")
    r.clic(w, FECHA[0] + 20, FECHA[1] + 10)
    r.espera(lambda: informe.foco() == "Fecha", 10, "el foco de vuelta en la fecha")
    # The keyboard: a week down, a day right, Enter takes it.
    r.teclas("alt+Down")
    calendario.espera_abierta()
    r.teclas("Down", "Right", "Return")
    calendario.espera_cerrada()
    informe.espera_texto("Fecha", "20/02/2024", "elegida con el teclado")
    informe.sigue("Fecha", "20/02/2024", "Fecha")


@paso
def calcula_importes_en_la_calculadora_emergente(r):
    w = r.ventana("Controles")
    informe = Informe(r, r.controles)
    calculadora = Emergente(r, w, IMPORTE)
    calculadora.abre()
    if informe.foco() != "Importe":
        raise Fallo(f"el botón abrió la calculadora con el foco en {informe.foco()}")

    def tecla(columna, fila):
        calculadora.pulsa(12 + columna * TECLA_CALCULADORA[0], 12 + fila * TECLA_CALCULADORA[1])

    # 7 + 5 =, with the mouse.
    tecla(0, 0)
    tecla(3, 3)
    tecla(1, 1)
    tecla(2, 4)
    calculadora.espera_cerrada()
    informe.espera_texto("Importe", "12", "calculado con el ratón")
    r.teclas("alt+Down")
    calculadora.espera_abierta()
    r.teclas("9", "Escape")  # Esc drops what was typed in the calculator
    calculadora.espera_cerrada()
    calculadora.abre()
    r.clic(w, 300, 200)
    calculadora.espera_cerrada()
    informe.sigue("Importe", "12", "Importe")
    r.teclas("alt+Down")
    calculadora.espera_abierta()
    r.teclas("Escape")
    calculadora.espera_cerrada()
    calculadora.abre()
    r.clic(w, NOTA[0] + 20, NOTA[1] + 10)
    calculadora.espera_cerrada()
    r.espera(lambda: informe.foco() == "Nota", 10, "el foco en la nota")
    informe.sigue("Importe", "12", "Nota")
    r.clic(w, IMPORTE[0] + 20, IMPORTE[1] + 10)
    r.espera(lambda: informe.foco() == "Importe", 10, "el foco de vuelta en el importe")
    # The keyboard: the keys typed in the edit drive the calculator; Enter takes the result.
    r.teclas("alt+Down")
    calculadora.espera_abierta()
    r.teclas("asterisk", "3", "Return")
    calculadora.espera_cerrada()
    informe.espera_texto("Importe", "36", "calculado con el teclado")
    informe.sigue("Importe", "36", "Importe")
    # At the foot of the screen the calculator opens over the edit, whole.
    r.xdotool("windowmove", str(w), "400", str(ALTO_PANTALLA - 100))
    r.espera(lambda: r.geometria(w)[1] + IMPORTE[1] + 21 + 127 > ALTO_PANTALLA, 10, "la ventana al pie")
    r.teclas("alt+Down")
    _, ly, _, lh = calculadora.espera_abierta()
    if ly < 0 or ly + lh > ALTO_PANTALLA:
        raise Fallo(f"la calculadora se sale de la pantalla: de {ly} a {ly + lh}")
    r.teclas("Escape")
    calculadora.espera_cerrada()
    # The window manager's Alt+F4 closes the window, and the program ends cleanly.
    r.activa(w)
    r.teclas("alt+F4")
    r.espera(lambda: r.controles.poll() is not None, 10, "el final de la ventana de controles")
    if r.controles.returncode != 0:
        raise Fallo(f"la ventana de controles terminó con {r.controles.returncode}")



def portapapeles(r, cual="clipboard"):
    """The text another program would paste from the clipboard (or the selection)."""
    salida = subprocess.run(["xclip", "-selection", cual, "-o"], env=r.env, capture_output=True, timeout=10)
    return salida.stdout.decode(errors="replace")


def copia_otro_programa(r, texto, cual):
    """`texto` on the clipboard (or selected), as another program leaves it."""
    subprocess.run(["xclip", "-selection", cual], input=texto.encode(), env=r.env, timeout=10, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    r.espera(lambda: portapapeles(r, cual) == texto, 10, f"«{texto}» en {cual}")


@paso
def copia_y_pega_entre_programas(r):
    w, informe = abre_controles(r)
    # A date: Ctrl+A and Ctrl+C copy it whole for another program, the mask in between.
    escribe_fecha(r, w, informe, "07/12/2026")
    copia_otro_programa(r, "nada", "clipboard")
    r.teclas("ctrl+a", "ctrl+c")
    r.espera(lambda: portapapeles(r) == "07/12/2026", 10, "la fecha copiada")
    # A date copied elsewhere as people write it, pasted over the whole date: each part in its
    # place, not one character after another across the separators.
    copia_otro_programa(r, "5/3/2027", "clipboard")
    r.teclas("ctrl+a", "ctrl+v")
    informe.espera_texto("Fecha", "05/03/2027", "pegada desde otro programa")
    # An address selected in another program, pasted with the middle button into a one-line
    # edit: its first line only, as Ctrl+V takes it.
    copia_otro_programa(r, "Calle Mayor, 1\n28001 Madrid", "primary")
    r.clic(w, NOTA[0] + 20, NOTA[1] + 10, boton=2)
    informe.espera_texto("Nota", "Calle Mayor, 1", "pegada con el botón central")
    r.espera(lambda: informe.foco() == "Nota", 10, "el foco en la nota")
    r.teclas("ctrl+a", "ctrl+c")
    r.espera(lambda: portapapeles(r) == "Calle Mayor, 1", 10, "la nota copiada")
    r.activa(w)
    r.teclas("alt+F4")
    r.espera(lambda: r.controles.poll() is not None, 10, "el final de la ventana de controles")


if __name__ == "__main__":
    sys.exit(main())
