"""The real program under a virtual X server with a window manager, driven as a person would.

Starts Xvfb on a free display and openbox on it, makes a data folder with the generator, starts
app/zembra there and walks through an office's first day with real pointer and key events sent
from outside (xdotool). Each step checks what the database holds (sqlite3) and what is on the
screen (screenshots checked for what must be there). Every wait polls with a time limit.

The walk itself is in recorrido.py: a step is one function decorated with @paso, run in the order
written. A step gets the walk (`r`) and uses its helpers: r.ventana(), r.clic(), r.teclas(),
r.escribe(), r.sql(), r.captura(), r.espera().
"""
import argparse
import ctypes
import ctypes.util
import os
import re
import select
import shutil
import sqlite3
import subprocess
import time
import traceback

from PIL import ImageGrab

PASOS = []


def paso(funcion):
    """Adds a step to the walk, in the order of the file."""
    PASOS.append(funcion)
    return funcion


class Fallo(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# The display, the window manager and the program


def arranca_xvfb(n):
    """Xvfb on display :n once it takes clients (it writes the display's number on a pipe then;
    its socket is there before that), or None when it cannot have that display. It must not
    reset when its last client leaves: a client that connects meanwhile (the window manager,
    while a check of ours ends) is hung up on."""
    leer, escribir = os.pipe()
    try:
        xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset",
                                 "-displayfd", str(escribir)], pass_fds=(escribir,),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(escribir)
        escribir = None
        # It writes the number and the newline apart: the pipe stays open until both are in.
        dato = b""
        fin = time.monotonic() + 20
        while not dato.endswith(b"\n") and select.select([leer], [], [], max(0, fin - time.monotonic()))[0]:
            parte = os.read(leer, 32)
            if not parte:
                break
            dato += parte
    finally:
        os.close(leer)
        if escribir is not None:
            os.close(escribir)
    if dato.strip() == str(n).encode():
        return xvfb
    xvfb.kill()
    xvfb.wait()
    return None


def display_libre(primero, ultimo):
    for n in range(primero, ultimo + 1):
        if not os.path.exists(f"/tmp/.X{n}-lock") and not os.path.exists(f"/tmp/.X11-unix/X{n}"):
            return n
    raise Fallo(f"no hay display libre entre :{primero} y :{ultimo}")


class _Atributos(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                ("border_width", ctypes.c_int), ("depth", ctypes.c_int), ("visual", ctypes.c_void_p),
                ("root", ctypes.c_ulong), ("clase", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong),
                ("map_installed", ctypes.c_int), ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


class PantallaX:
    """One connection to the X server that lists the screen's top windows without a process per
    question (the drop-down checks poll it)."""

    VISIBLE = 2  # IsViewable

    def __init__(self, display):
        self.x = ctypes.CDLL(ctypes.util.find_library("X11"))
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                      ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                                      ctypes.POINTER(ctypes.c_uint)]
        self.x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(_Atributos)]
        self.x.XFree.argtypes = [ctypes.c_void_p]
        # A window that goes between the list and the question about it is an error to let by,
        # not a reason for Xlib to end the process.
        self.manejador = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)
        self.x.XSetErrorHandler(self.manejador)
        self.conexion = self.x.XOpenDisplay(display.encode())
        if not self.conexion:
            raise Fallo(f"no se puede abrir el display {display}")
        self.raiz = self.x.XDefaultRootWindow(self.conexion)

    def cierra(self):
        self.x.XCloseDisplay(ctypes.c_void_p(self.conexion))

    def ventanas_visibles(self):
        raiz, padre = ctypes.c_ulong(), ctypes.c_ulong()
        hijas, cuantas = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        if not self.x.XQueryTree(self.conexion, self.raiz, ctypes.byref(raiz), ctypes.byref(padre),
                                 ctypes.byref(hijas), ctypes.byref(cuantas)):
            return []
        try:
            ids = [hijas[i] for i in range(cuantas.value)]
        finally:
            if hijas:
                self.x.XFree(hijas)
        cajas = []
        for w in ids:
            a = _Atributos()
            if self.x.XGetWindowAttributes(self.conexion, w, ctypes.byref(a)) and a.map_state == self.VISIBLE:
                cajas.append((a.x, a.y, a.width, a.height))
        return cajas


class Recorrido:
    def __init__(self, args):
        self.args = args
        self.trabajo = args.trabajo
        shutil.rmtree(self.trabajo, ignore_errors=True)
        os.makedirs(self.trabajo)
        self.datos = os.path.join(self.trabajo, "datos")
        os.makedirs(self.datos)
        self.ajustes = os.path.join(self.trabajo, "registry.ini")
        self.procesos = []
        self.programa = None
        self.capturas = 0
        self.xvfb = None
        self.pantalla = None

    # -- start and stop --------------------------------------------------------------------

    def arranca_pantalla(self):
        primero, ultimo = (int(x) for x in self.args.displays.split("-"))
        for _ in range(5):
            n = display_libre(primero, ultimo)
            xvfb = arranca_xvfb(n)
            if xvfb is not None:
                self.xvfb = xvfb
                self.procesos.append(xvfb)
                self.display = f":{n}"
                break
        else:
            raise Fallo("Xvfb no arranca")
        self.env = dict(os.environ)
        for v in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "SESSION_MANAGER"):
            self.env.pop(v, None)
        self.env.update({
            "DISPLAY": self.display,
            "QT_QPA_PLATFORM": "xcb",
            "ZEMBRA_REGISTRY_FILE": self.ajustes,
            "XDG_CONFIG_HOME": os.path.join(self.trabajo, "config"),
            "XDG_DATA_HOME": os.path.join(self.trabajo, "share"),
            "XDG_CACHE_HOME": os.path.join(self.trabajo, "cache"),
            "XDG_RUNTIME_DIR": os.path.join(self.trabajo, "run"),
            "HOME": self.trabajo,
            "LC_ALL": "C.UTF-8",
        })
        for d in ("config", "share", "cache", "run"):
            os.makedirs(os.path.join(self.trabajo, d), mode=0o700, exist_ok=True)
        self.escritorio()
        registro = os.path.join(self.trabajo, "openbox.log")
        with open(registro, "w") as log:
            wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env, stdout=log, stderr=subprocess.STDOUT)
        self.procesos.append(wm)

        # Windows mapped before the window manager owns the screen may never be managed (no
        # frame, no focus): nothing starts until it names itself on the root window.
        def gestor():
            if wm.poll() is not None:
                with open(registro) as f:
                    raise Fallo(f"openbox terminó con {wm.returncode}: {f.read().strip()}")
            return self.gestor_de_ventanas() == "Openbox"
        self.espera(gestor, 15, "openbox arrancado")
        self.teclado_con_acentos()

    def teclado_con_acentos(self):
        """Gives the letters of Spanish that the keyboard lacks keys of their own.

        Without them xdotool lends a key to each letter for the moment of typing it, and a
        program that reads the keyboard's new map late takes the key for nothing (an "é" lost).
        """
        mapa = os.path.join(self.trabajo, "teclado.xkb")
        subprocess.run(["xkbcomp", "-xkb", self.display, mapa], env=self.env, check=True, timeout=20,
                       capture_output=True)
        with open(mapa) as f:
            texto = f.read()
        simbolos = texto.index("xkb_symbols")
        fin = texto.index("\n};", simbolos)
        usadas = set(re.findall(r"key (<\w+>)\s*\{", texto[simbolos:fin]))
        libres = [k for k in re.findall(r"^\s*(<I\d+>)\s*=\s*\d+;", texto[:texto.index("xkb_types")], re.M)
                  if k not in usadas]
        letras = [("aacute", "Aacute"), ("eacute", "Eacute"), ("iacute", "Iacute"), ("oacute", "Oacute"),
                  ("uacute", "Uacute"), ("ntilde", "Ntilde"), ("udiaeresis", "Udiaeresis"),
                  ("exclamdown", "questiondown"), ("masculine", "ordfeminine"), ("EuroSign", "ccedilla")]
        if len(libres) < len(letras):
            raise Fallo(f"el teclado del servidor no tiene {len(letras)} teclas libres")
        nuevas = "".join(f"\n    key {k} {{ [ {a}, {b} ] }};" for k, (a, b) in zip(libres, letras))
        with open(mapa, "w") as f:
            f.write(texto[:fin] + nuevas + texto[fin:])
        subprocess.run(["xkbcomp", "-w", "0", mapa, self.display], env=self.env, check=True, timeout=20,
                       capture_output=True)

    def gestor_de_ventanas(self):
        """The name the running window manager gives itself on the screen, or None."""
        raiz = self.x(["xprop", "-root", "-notype", "_NET_SUPPORTING_WM_CHECK"]).decode(errors="replace")
        m = re.search(r"window id # (0x[0-9a-f]+)", raiz)
        if not m:
            return None
        nombre = self.x(["xprop", "-id", m.group(1), "-notype", "_NET_WM_NAME"]).decode(errors="replace")
        m = re.search(r'= "(.*)"', nombre)
        return m.group(1) if m else None

    def escritorio(self):
        """A word processor the desktop names for documents, as on an office's machine."""
        aplicaciones = os.path.join(self.trabajo, "share", "applications")
        os.makedirs(aplicaciones, exist_ok=True)
        with open(os.path.join(self.trabajo, "config", "mimeapps.list"), "w") as f:
            f.write("[Default Applications]\n"
                    "application/vnd.openxmlformats-officedocument.wordprocessingml.document=procesador.desktop\n")
        with open(os.path.join(aplicaciones, "procesador.desktop"), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=Procesador\nExec=true %f\n"
                    "MimeType=application/vnd.openxmlformats-officedocument.wordprocessingml.document;\n")

    def genera(self):
        subprocess.run([self.args.genera, self.datos, self.ajustes], env=self.env, check=True, timeout=120,
                       stdout=subprocess.DEVNULL)

    def lanza(self, *extra, programa=None):
        """Starts the program (or another of the lane's); what it writes goes to p.registro."""
        registro = os.path.join(self.trabajo, f"zembra-{len(self.procesos)}.log")
        with open(registro, "w") as log:
            p = subprocess.Popen([programa or self.args.app, *extra], env=self.env, stdout=log,
                                 stderr=subprocess.STDOUT, cwd=self.trabajo)
        p.registro = registro
        self.procesos.append(p)
        return p

    def termina(self):
        if self.pantalla is not None:
            self.pantalla.cierra()
            self.pantalla = None
        for p in reversed(self.procesos):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()

    # -- waiting ---------------------------------------------------------------------------

    def espera(self, condicion, limite, que):
        """Polls `condicion` until it gives something true; fails after `limite` seconds."""
        fin = time.monotonic() + limite
        while True:
            valor = condicion()
            if valor:
                return valor
            if time.monotonic() > fin:
                raise Fallo(f"esperando {que}: no llegó en {limite} s")
            if self.programa is not None and self.programa.poll() is not None and self.programa.returncode != 0:
                raise Fallo(f"esperando {que}: el programa terminó con {self.programa.returncode}")
            time.sleep(0.05)

    # -- X ---------------------------------------------------------------------------------

    def x(self, argv):
        return subprocess.run(argv, env=self.env, capture_output=True, timeout=20).stdout

    def xdotool(self, *argv, permite_fallo=False):
        r = subprocess.run(["xdotool", *argv], env=self.env, capture_output=True, text=True, timeout=20)
        if r.returncode != 0:
            if permite_fallo:
                return None
            raise Fallo(f"xdotool {' '.join(argv)}: {r.stderr.strip()}")
        return r.stdout.strip()

    def busca(self, titulo):
        """`titulo` is a regular expression that must match the whole title."""
        # The program's own windows (the window manager keeps windows of its own with copies of
        # their titles).
        pid = ["--pid", str(self.programa.pid)] if self.programa is not None else []
        salida = self.xdotool("search", "--all", "--onlyvisible", *pid, "--name", f"^{titulo}$",
                              permite_fallo=True) or ""
        for w in salida.split():
            # Only windows the window manager has taken (it sets WM_STATE): one mapped before it
            # looks at it takes no focus.
            propiedades = self.x(["xprop", "-id", w, "WM_CLASS", "WM_STATE"])
            if b'"zembra' in propiedades and b"window state: Normal" in propiedades:
                return int(w)
        return None

    def flotantes(self):
        """Left, top, width and height of every mapped top window of the screen, those the window
        manager leaves alone (drop-down lists) included."""
        if self.pantalla is None:
            self.pantalla = PantallaX(self.display)
        return self.pantalla.ventanas_visibles()

    def ventana(self, titulo, limite=20):
        """The visible top-level window whose title matches `titulo`, once it is there and drawn."""
        wid = self.espera(lambda: self.busca(titulo), limite, f"la ventana «{titulo}»")
        self.quieta(wid)
        return wid

    def quieta(self, wid, limite=15):
        """Waits until the window is drawn and still: two pictures of it in a row are the same."""
        previa = [None]

        def igual():
            try:
                x, y, w, h = self.geometria(wid)
            except (KeyError, ValueError):
                return False
            img = ImageGrab.grab(xdisplay=self.display).crop((x, y, x + w, y + h)).tobytes()
            misma = img == previa[0]
            previa[0] = img
            return misma
        self.espera(igual, limite, f"la ventana {wid} dibujada")

    def sin_ventana(self, titulo, limite=20):
        self.espera(lambda: self.busca(titulo) is None, limite, f"que se cierre «{titulo}»")

    def activa(self, wid, limite=10):
        """Waits until the window manager has given `wid` the focus (activating it if need be)."""
        def lista():
            if self.xdotool("getactivewindow", permite_fallo=True) == str(wid):
                return True
            self.xdotool("windowactivate", str(wid), permite_fallo=True)
            return False
        self.espera(lista, limite, f"el foco en la ventana {wid}")

    def titulo(self, wid):
        return self.xdotool("getwindowname", str(wid))

    def geometria(self, wid):
        """Left, top, width and height of the window's client area on the screen."""
        info = self.x(["xwininfo", "-id", str(wid)]).decode()
        valor = {}
        for linea in info.splitlines():
            clave, _, v = linea.strip().partition(":")
            valor[clave] = v.strip()
        return (int(valor["Absolute upper-left X"]), int(valor["Absolute upper-left Y"]), int(valor["Width"]),
                int(valor["Height"]))

    def clic(self, wid, x, y, boton=1, veces=1):
        """A click at (x, y) of the window's client area."""
        self.xdotool("mousemove", "--window", str(wid), str(x), str(y))
        self.xdotool("click", "--repeat", str(veces), "--delay", "80", str(boton))

    def teclas(self, *nombres):
        self.xdotool("key", "--delay", "40", *nombres)

    def escribe(self, texto):
        self.xdotool("type", "--delay", "30", texto)

    def captura(self, nombre=None, wid=None):
        """The screen (or one window's client area) as a picture; kept in the work folder when named."""
        imagen = ImageGrab.grab(xdisplay=self.display)
        if wid is not None:
            x, y, w, h = self.geometria(wid)
            imagen = imagen.crop((x, y, x + w, y + h))
        if nombre:
            self.capturas += 1
            imagen.save(os.path.join(self.trabajo, f"{self.capturas:02d}-{nombre}.png"))
        return imagen

    # -- the database ----------------------------------------------------------------------

    def sql(self, consulta, *valores):
        db = sqlite3.connect(f"file:{os.path.join(self.datos, 'zembra.db')}?mode=ro", uri=True, timeout=10)
        # The program's own text order; the walk only compares codes and digits, where it is plain.
        db.create_collation("ZBES", lambda a, b: (a > b) - (a < b))
        try:
            return db.execute(consulta, valores).fetchall()
        finally:
            db.close()

    def espera_sql(self, consulta, condicion, limite, que):
        return self.espera(lambda: (lambda filas: filas if condicion(filas) else None)(self.sql(consulta)),
                           limite, que)


# ---------------------------------------------------------------------------------------------
# What a picture must show


def oscuros(imagen, caja, umbral=80):
    """How many pixels inside `caja` are near black (text drawn enabled)."""
    return sum(n for n, c in imagen.crop(caja).convert("L").getcolors(maxcolors=1 << 20) if c < umbral)


def color_de(imagen, caja):
    """The colour most of `caja` has."""
    return max(imagen.convert("RGB").crop(caja).getcolors(maxcolors=1 << 20))[1]


def rojos(imagen, caja):
    """How many pixels inside `caja` are plainly red."""
    return sum(n for n, (r, g, b) in imagen.convert("RGB").crop(caja).getcolors(maxcolors=1 << 20)
               if r > 180 and g < 80 and b < 80)


# ---------------------------------------------------------------------------------------------
# Running the walk


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--app", required=True)
    ap.add_argument("--genera", required=True)
    ap.add_argument("--controles", required=True)
    ap.add_argument("--trabajo", required=True)
    ap.add_argument("--displays", default=os.environ.get("ZEMBRA_X11_DISPLAYS", "400-419"))
    args = ap.parse_args()
    args.app, args.genera, args.controles, args.trabajo = (
        os.path.abspath(a) for a in (args.app, args.genera, args.controles, args.trabajo))
    r = Recorrido(args)
    inicio = time.monotonic()
    hechos = 0
    fallos = 0
    try:
        r.arranca_pantalla()
        r.genera()
        for p in PASOS:
            t = time.monotonic()
            try:
                p(r)
                hechos += 1
                print(f"ok   {p.__name__} ({time.monotonic() - t:.1f} s)", flush=True)
            except Exception as e:  # the rest of the walk depends on this step: stop here
                fallos += 1
                print(f"FALLO {p.__name__}: {e}", flush=True)
                traceback.print_exc()
                try:
                    r.captura(f"fallo-{p.__name__}")
                except Exception:
                    pass
                break
    finally:
        r.termina()
    print(f"recorrido: {time.monotonic() - inicio:.1f} s; capturas en {r.trabajo}")
    print(f"{hechos} passed, {fallos + len(PASOS) - hechos - fallos} failed")
    return 0 if hechos == len(PASOS) else 1

