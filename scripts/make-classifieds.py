#!/usr/bin/env python3
"""Writes examples/strona/: a full classifieds page (frame file in Windows-1250) and its
pictures (PNG, 300 ppi). Deterministic: the same script always writes the same bytes."""
import os
import random
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples", "strona")
PPI = 300


def png(path, w, h, draw):
    px = bytearray(b"\xff" * (w * h * 3))

    def put(x, y, c):
        if 0 <= x < w and 0 <= y < h:
            px[(y * w + x) * 3:(y * w + x) * 3 + 3] = bytes(c)

    def rect(x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(h, y1)):
            px[(y * w + max(0, x0)) * 3:(y * w + min(w, x1)) * 3] = bytes(c) * (min(w, x1) - max(0, x0))

    def circle(cx, cy, r, c):
        for y in range(cy - r, cy + r + 1):
            d = int((r * r - (y - cy) ** 2) ** 0.5)
            rect(cx - d, y, cx + d + 1, y + 1, c)

    def poly(pts, c):
        ys = [p[1] for p in pts]
        for y in range(min(ys), max(ys) + 1):
            xs = []
            for (xa, ya), (xb, yb) in zip(pts, pts[1:] + pts[:1]):
                if (ya <= y < yb) or (yb <= y < ya):
                    xs.append(xa + (y - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[::2], xs[1::2]):
                rect(int(a), y, int(b) + 1, y + 1, c)

    draw(w, h, rect, circle, poly)
    raw = b"".join(b"\x00" + bytes(px[y * w * 3:(y + 1) * w * 3]) for y in range(h))
    dpm = round(PPI / 0.0254)

    def chunk(t, d):
        return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
                + chunk(b"pHYs", struct.pack(">IIB", dpm, dpm, 1)) + chunk(b"IDAT", zlib.compress(raw, 9))
                + chunk(b"IEND", b""))


# The darkest grey of an area: RGB near black becomes about 280 % ink through a coated
# offset profile, more than a newspaper's 240 %; this one stays near 215 %.
TYRE = (80, 80, 80)


def mm(v):
    return round(v / 25.4 * PPI)


def house(w, h, rect, circle, poly):
    rect(0, 0, w, h, (200, 228, 245)); rect(0, h * 3 // 4, w, h, (110, 170, 80))
    rect(w // 4, h * 2 // 5, w * 3 // 4, h * 3 // 4 + 5, (235, 215, 180))
    poly([(w // 5, h * 2 // 5), (w // 2, h // 8), (w * 4 // 5, h * 2 // 5)], (170, 60, 40))
    rect(w * 3 // 10, h // 2, w * 2 // 5, h * 3 // 5, (90, 140, 200)); rect(w * 11 // 20, h // 2, w * 13 // 20, h * 3 // 4 + 5, (120, 80, 50))
    circle(w * 7 // 8, h // 6, h // 10, (250, 210, 60))


def car(w, h, rect, circle, poly):
    rect(0, 0, w, h, (235, 235, 235)); rect(0, h * 4 // 5, w, h, (120, 120, 120))
    poly([(w // 10, h * 7 // 10), (w // 10, h // 2), (w // 3, h // 2), (w * 2 // 5, h * 3 // 10), (w * 7 // 10, h * 3 // 10), (w * 4 // 5, h // 2), (w * 9 // 10, h // 2), (w * 9 // 10, h * 7 // 10)], (200, 30, 40))
    rect(w * 5 // 12, h * 7 // 20, w * 2 // 3, h // 2, (170, 210, 235))
    for cx in (w // 4, w * 3 // 4):
        circle(cx, h * 7 // 10, h // 8, TYRE); circle(cx, h * 7 // 10, h // 20, (190, 190, 190))


def dog(w, h, rect, circle, poly):
    rect(0, 0, w, h, (250, 240, 215))
    c = (140, 90, 50)
    rect(w // 4, h * 2 // 5, w * 3 // 4, h * 3 // 5, c)
    for x in (w // 4, w * 2 // 5, w * 3 // 5, w * 7 // 10):
        rect(x, h * 3 // 5, x + w // 20, h * 17 // 20, c)
    circle(w * 4 // 5, h * 3 // 10, h // 6, c); poly([(w * 7 // 10, h // 5), (w * 3 // 4, h // 20), (w * 4 // 5, h // 5)], (90, 55, 30))
    circle(w * 5 // 6, h * 4 // 15, h // 40, (20, 20, 20))
    poly([(w // 4, h * 2 // 5), (w // 10, h // 5), (w // 8, h // 6), (w // 4 + 10, h * 2 // 5)], c)


def logo(w, h, rect, circle, poly):
    rect(0, 0, w, h, (20, 60, 130))
    circle(h // 2, h // 2, h * 2 // 5, (250, 200, 30)); circle(h // 2, h // 2, h // 4, (20, 60, 130))
    for i in range(4):
        rect(h + i * (w - h) // 4 + 6, h // 3, h + (i + 1) * (w - h) // 4 - 6, h * 2 // 3, (250, 200, 30) if i % 2 else (255, 255, 255))


def candle(w, h, rect, circle, poly):
    rect(0, 0, w, h, (255, 255, 255))
    rect(w * 2 // 5, h * 2 // 5, w * 3 // 5, h * 9 // 10, TYRE)
    poly([(w // 2, h // 10), (w * 11 // 20, h * 3 // 10), (w // 2, h * 3 // 8), (w * 9 // 20, h * 3 // 10)], TYRE)


PICTURES = [("dom.png", 40, 24, house), ("auto.png", 40, 22, car), ("pies.png", 30, 20, dog),
            ("logo-budmax.png", 40, 12, logo), ("znicz.png", 10, 14, candle)]

R = random.Random(9)
IMIONA = ["Zofia Wójcik", "Łukasz Żak", "Ewa Kąkol", "Michał Dąbrowski", "Jolanta Śliwińska", "Paweł Gęślicki",
          "Bożena Źrebiec", "Grzegorz Łęcki", "Agnieszka Ćwik", "Tomasz Mróz", "Halina Żółtowska"]
MIASTA = ["Łódź", "Zgierz", "Pabianice", "Sieradz", "Łęczyca", "Kutno", "Bełchatów", "Głowno", "Ozorków", "Żychlin"]


def tel():
    return "tel. %d%02d %03d %03d" % (R.choice([5, 6, 7, 8]), R.randrange(100), R.randrange(1000), R.randrange(1000))


def ads(section):
    m = R.choice(MIASTA)
    t = {
        "NIERUCHOMOŚCI": [f"<@Lead>Sprzedam<@$p> mieszkanie {R.randint(1, 4)}-pokojowe, {R.randint(28, 90)} m kw., {m}, {R.randint(1, 10)}. piętro, balkon, piwnica. {tel()}.",
                          f"<@Lead>Wynajmę<@$p> kawalerkę, {m}, umeblowana, od zaraz. Kaucja. {tel()}.",
                          f"<@Lead>Kupię<@$p> działkę budowlaną w okolicy {m}, do {R.randint(8, 20)} arów. Gotówka. {tel()}.",
                          f"<@Lead>Dom<@$p> wolnostojący, {m}, {R.randint(110, 240)} m kw., ogród, garaż. {tel()}."],
        "MOTORYZACJA": [f"<@Lead>Sprzedam<@$p> {R.choice(['kombi', 'sedana', 'hatchbacka', 'busa'])} rocznik {R.randint(2008, 2022)}, przebieg {R.randint(40, 260)} tys. km, bezwypadkowy. {tel()}.",
                        f"<@Lead>Skup aut<@$p> za gotówkę, każdy stan, dojazd do klienta, {m}. {tel()}.",
                        f"<@Lead>Opony<@$p> zimowe 16\", komplet, bieżnik 7 mm, tanio. {tel()}."],
        "PRACA": [f"<@Lead>Zatrudnię<@$p> {R.choice(['kierowcę kat. C+E', 'spawacza', 'sprzedawczynię', 'księgową', 'magazyniera z uprawnieniami', 'pomoc kuchenną'])}, {m}. Umowa o pracę. {tel()}.",
                  f"<@Lead>Szukam pracy<@$p> jako {R.choice(['opiekunka osób starszych', 'kierowca', 'złota rączka', 'pomoc biurowa'])}; doświadczenie. {tel()}."],
        "USŁUGI": [f"<@Lead>{R.choice(['Remonty', 'Hydraulik', 'Elektryk', 'Glazurnik', 'Przeprowadzki', 'Transport'])}<@$p> – solidnie, szybko, faktury. {m} i okolice. {tel()}.",
                   f"<@Lead>Naprawa<@$p> pralek, lodówek, zmywarek u klienta, dojazd gratis. {tel()}."],
        "NAUKA": [f"<@Lead>Korepetycje<@$p> z {R.choice(['matematyki', 'fizyki', 'chemii', 'języka angielskiego', 'języka niemieckiego'])}, matura, egzamin ósmoklasisty. {tel()}.",
                  f"<@Lead>Nauka gry<@$p> na gitarze i pianinie, dzieci i dorośli, {m}. {tel()}."],
        "ZWIERZĘTA": [f"<@Lead>Oddam<@$p> w dobre ręce {R.choice(['kociaki', 'szczeniaki', 'królika'])}, odrobaczone. {tel()}.",
                      f"<@Lead>Sprzedam<@$p> siano i słomę w kostkach, {m}, transport. {tel()}."],
        "RÓŻNE": [f"<@Lead>Sprzedam<@$p> {R.choice(['meble kuchenne', 'rower górski', 'wózek dziecięcy', 'drewno opałowe', 'piec CO', 'pianino'])}, stan bardzo dobry, {m}. {tel()}.",
                  f"<@Lead>Kupię<@$p> stare monety, znaczki, pocztówki i zegarki. Płacę od ręki. {tel()}."],
    }[section]
    return R.choice(t)


SECTIONS = [("NIERUCHOMOŚCI", 24), ("MOTORYZACJA", 17), ("PRACA", 20), ("USŁUGI", 18), ("NAUKA", 11),
            ("ZWIERZĘTA", 9), ("RÓŻNE", 12)]
FILLS = ['fc="CMYK:PROCESS:0,0,0.25,0"', 'fc="CMYK:PROCESS:0.15,0,0,0"', 'fc="SWATCHNAME:Szary 10%"', 'fc=0']
PICTURE_FOR = {"NIERUCHOMOŚCI": "dom.png", "MOTORYZACJA": "auto.png", "ZWIERZĘTA": "pies.png"}


def page():
    lines = ['<v4.00><e9>',
             '@Normal=[S"","Normal"]<*L*h"Standard"*kn0*kt0*ra0*rb0*d0*p(0,0,0,0,0,0,g,"U.S. English")Ptf"Arial"z7k0b0c"Black"s100h100y100>',
             '@Rubryka=[S"","Rubryka"]<*C*p(0,0,0,11,5,2,g,"U.S. English")f"Arial"z10B>',
             '@Tekst=[S"","Tekst"]<*J*p(0,4,0,8,0,1.5,g,"U.S. English")f"Times New Roman"z7>',
             '@Lead=<f"Arial"z7B>',
             '{#DEF wydanie="Gazeta Powiatowa 49/2026", strona=12, dział=drobne}']
    count = 0
    for name, n in SECTIONS:
        lines.append("@Rubryka:" + name)
        if name in PICTURE_FOR:
            fn = PICTURE_FOR[name]
            w, h = next((p[1], p[2]) for p in PICTURES if p[0] == fn)
            lines.append(f'@Tekst:{{#WG fn={fn}, hs={w}mm, vs={h}mm, sp=-2, fc=0, bc=1, fw=0.5pt}}{{$}} {ads(name)}')
            count += 1
        if name == "USŁUGI":
            lines.append('@Tekst:{#WG fn=logo-budmax.png, hs=40mm, vs=12mm, fc=0}{$}')
            lines.append('@Tekst:{#BE hs=42mm, fc=0, bc="SWATCHNAME:Szary 30%", fw=1pt, t1="Budmax, s.c."}\r\n'
                         '{#WT hs=40mm, fc=0}<@Lead>BUDMAX<@$p> – domy od fundamentów po dach, ocieplenia, dachy. Kosztorys gratis.{$}\r\n'
                         '{#DT hs=40mm, fc="CMYK:PROCESS:0,0,0,0.1"}' + tel() + ', ul. Ogrodowa 7{$}\r\n{$$}')
            count += 1
        for i in range(n):
            text = ads(name)
            kind = i % 5
            if kind == 1:
                lines.append(f'@Tekst:{{#WT hs={R.choice([43, 43, 40, 60])}mm, {R.choice(FILLS)}, bc=1, fw=0.5pt, TI=1mm, t1="{R.choice(IMIONA)}", os="Ramka ogłoszenia"}}{text}{{$}}')
            elif kind == 3 and i % 10 == 3:
                lines.append(f'@Tekst:{{#DT hs=43mm, fc="SWATCHNAME:Szary 10%", TI=1.5mm, t2="ogłoszenie płatne", os="{R.choice(["Wyróżnienie", "Ramka pogrubiona"])}"}}{text}{{$}}')
            else:
                lines.append("@Tekst:" + text)
            count += 1
    lines.append("@Rubryka:KONDOLENCJE")
    lines.append('@Tekst:{#WG fn=znicz.png, hs=10mm, vs=14mm, fc=0}{$}')
    for who in IMIONA[:3]:
        lines.append(f'@Tekst:{{#WT hs=43mm, fc=0, bc=1, fw=1pt, TI=1.5mm, t1="kondolencje"}}'
                     f'Wyrazy głębokiego współczucia Rodzinie z powodu śmierci Ś.P. <@Lead>{who}<@$p> składają sąsiedzi i przyjaciele.{{$}}')
        count += 1
    return "\r\n".join(lines) + "\r\n", count


def main():
    os.makedirs(OUT, exist_ok=True)
    for fn, w, h, motif in PICTURES:
        png(os.path.join(OUT, fn), mm(w), mm(h), motif)
    text, count = page()
    with open(os.path.join(OUT, "strona.rmk"), "wb") as f:
        f.write(text.encode("cp1250"))
    print(f"{count} ads, {len(PICTURES)} pictures in {os.path.normpath(OUT)}")


if __name__ == "__main__":
    main()
