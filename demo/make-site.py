#!/usr/bin/env python3
"""Writes the demo site into a folder: the maker's home page with the program's version
label, the player files and one video page per row of demo/catalogue.sql, in Windows-1251
with CR LF line breaks, the way the video sites of the catalogue write their pages.

The build runs it (demo/CMakeLists.txt) into <build>/demo/site:
    make-site.py OUTDIR VERSION_TEXT
VERSION_TEXT is the program's own version text, "Version <project version> Full", so that
the program run on the demo site finds itself up to date. OUTDIR is made afresh.
"""
import hashlib
import os
import re
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CATALOGUE = os.path.join(HERE, "catalogue.sql")
SCHEMA = os.path.join(HERE, os.pardir, "schema", "catalogue.sql")

# A category's table in the catalogue's schema: the key, the title and the page address.
CATEGORY_TABLE = re.compile(
    r"^CREATE TABLE (\w+) \(key INTEGER PRIMARY KEY[^,]*, (\w+) [^,]*, (\w+) [^,]*\);$")


def category_tables():
    """The category tables of the schema, each with its title and address fields."""
    tables = {}
    with open(SCHEMA, encoding="utf-8") as sql:
        for line in sql:
            match = CATEGORY_TABLE.match(line.strip())
            if match:
                table, title, url = match.groups()
                tables[table] = (title, url)
    if not tables:
        sys.exit("no category tables found in " + SCHEMA)
    return tables


def insert_pattern(tables):
    """A demo row: a title (or NULL) and the address of its page on the demo site."""
    alternatives = "|".join(
        rf"{re.escape(table)} \({re.escape(title)}, {re.escape(url)}\)"
        for table, (title, url) in tables.items())
    return re.compile(
        rf"^INSERT INTO (?:{alternatives}) VALUES \((NULL|'(?:[^']|'')*'), "
        r"'http://127\.0\.0\.1:@PORT@/(\w+)/(\d+)\.html'\);$")

CATEGORY_NAMES = {
    "films": ("Фильмы", "фильм"),
    "mult": ("Мультфильмы", "мультфильм"),
    "serials": ("Сериалы", "сериал"),
    "vk": ("Видео ВКонтакте", "видео"),
}

PHRASES = [
    "Любимая классика, которую приятно пересматривать снова и снова.",
    "Смешные и трогательные сцены, знакомые с детства.",
    "Картина, которую стоит посмотреть всей семьёй.",
    "Звёздный состав и музыка, которую знает вся страна.",
    "История о дружбе, любви и верности.",
    "Отличное качество изображения и звука.",
    "Настоящий шедевр на все времена.",
    "Лёгкий и добрый просмотр для выходного вечера.",
    "Приключения, от которых невозможно оторваться.",
    "Проверенное временем кино без лишних слов.",
    "Цитаты из него давно стали крылатыми.",
]

QUALITY = ["DVDRip", "TVRip", "SATRip", "VHSRip", "DVDRip (восстановленная копия)"]


def sql_text(literal):
    if literal == "NULL":
        return None
    return literal[1:-1].replace("''", "'")


def html_text(text):
    return (text.replace("&", "&amp;").replace('"', "&quot;").replace("<", "&lt;")
            .replace(">", "&gt;"))


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    data = text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp1251")
    with open(path, "wb") as out:
        out.write(data)


def page(folder, key, title, description, player):
    section, _ = CATEGORY_NAMES[folder]
    return f"""<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" "http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">
<html xmlns="http://www.w3.org/1999/xhtml">
<head>
<meta http-equiv="Content-Type" content="text/html; charset=windows-1251" />
<title>{html_text(title)} — смотреть онлайн</title>
<meta name="description" content="{html_text(description)}" />
<meta name="keywords" content="{html_text(title)}, смотреть онлайн, бесплатно, {section.lower()}" />
<link rel="stylesheet" type="text/css" href="/style.css" />
</head>
<body>
<div id="header"><a href="/">Видеотека онлайн</a> &raquo; <a href="/{folder}/">{section}</a></div>
<div id="content">
<h1>{html_text(title)}</h1>
{player}
<p class="views">Просмотров: {1000 + key * 137 % 9000}</p>
</div>
<div id="footer">&copy; Видеотека онлайн. Все видео взяты из открытых источников.</div>
</body>
</html>
"""


def flash_player(folder, key):
    stream = f"flv.videohost.example/{folder}/{key:04d}"
    return f"""<div class="player">
<object type="application/x-shockwave-flash" data="/uppod/uppod.swf" width="640" height="480">
<param name="movie" value="/uppod/uppod.swf" />
<param name="allowFullScreen" value="true" />
<param name="flashvars" value="st=/uppod/video.txt&amp;file=http://{stream}.flv" />
</object>
</div>"""


def serial_player(key):
    host = "serial.videohost.example"
    return f"""<div class="player">
<object id="serialplayer{key}" type="application/x-shockwave-flash" data="http://{host}/player.swf" width="607" height="360"><param name="movie" value="http://{host}/player.swf" /><param name="allowFullScreen" value="true" /><param name="flashvars" value="pl=http://{host}/playlists/{key:04d}.txt" /></object>
</div>
<p>Все серии подряд: плейлист откроется в плеере.</p>"""


def vk_player(key):
    oid = -(10000 + key * 7)
    vid = 160000000 + key * 1013
    digest = hashlib.md5(f"vk{key}".encode()).hexdigest()[:16]
    return f"""<div align="center"><iframe src="http://vk.example/video_ext.php?oid={oid}&id={vid}&hash={digest}" width="607" height="360" frameborder="0"></iframe></div>"""


def description(folder, key, title):
    _, kind = CATEGORY_NAMES[folder]
    phrase = PHRASES[key % len(PHRASES)]
    quality = QUALITY[key % len(QUALITY)]
    if folder == "vk":
        return f"{title}: {kind} из ВКонтакте. {phrase}"
    if folder == "serials":
        return f"Сериал «{title}» — все серии онлайн ({quality}). {phrase}"
    return f"Смотреть {kind} «{title}» онлайн бесплатно ({quality}). {phrase}"


HOME = """<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" "http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">
<html xmlns="http://www.w3.org/1999/xhtml">
<head>
<meta http-equiv="Content-Type" content="text/html; charset=windows-1251" />
<title>Zantrel — программа для просмотра видео онлайн</title>
<meta name="description" content="Zantrel: каталог фильмов, мультфильмов, сериалов и видео ВКонтакте в одной программе." />
</head>
<body style="background:#eef6ff;font-family:Tahoma,Arial,sans-serif;">
<div style="padding:10px;text-align:center;font-size:22px;"><b>Zantrel</b> — смотрите видео без лишних поисков</div>
<div style="padding:5px;text-align:center;"><u>Видео не запускается? Обновите <a href="http://get.adobe.example/flashplayer/">Flash Player</a> и сообщите нам о неработающей ссылке через <a href="mailto:support@zantrel.example">службу поддержки</a></u></div>
<div style="padding:5px;">
<h2>Новости</h2>
<p><b>28.11</b> — обновлён каталог: добавлены новые фильмы, мультфильмы и сериалы.</p>
<p><b>14.10</b> — вышла новая версия программы. В ней исправлены ошибки и ускорена загрузка плеера.</p>
<p><b>02.09</b> — появился раздел видео ВКонтакте.</p>
</div>
<div style="padding:5px;text-align:center;">Текущая версия программы:</div>
<div style="padding:5px;text-align:center;"><b>{version}</b></div>
<div style="padding:5px;text-align:center;"><a href="/download/zantrel.zip">Скачать Zantrel</a> | <a href="/faq.html">Вопросы и ответы</a></div>
<div style="padding:5px;text-align:center;font-size:11px;">&copy; Zantrel. Все права защищены.</div>
</body>
</html>
"""


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make-site.py OUTDIR VERSION_TEXT")
    site, version = sys.argv[1], sys.argv[2]
    tables = category_tables()
    insert = insert_pattern(tables)
    rows = []
    with open(CATALOGUE, encoding="utf-8") as sql:
        for number, line in enumerate(sql, 1):
            line = line.strip()
            target = re.match(r"INSERT INTO (\w+) ", line)
            if not target or target.group(1) not in tables:
                continue  # not a video entry (the catalogue's date)
            match = insert.match(line)
            if not match:
                sys.exit(f"{CATALOGUE}:{number}: the row does not fit its table in {SCHEMA}")
            literal, folder, key = match.groups()
            rows.append((folder, int(key), sql_text(literal)))
    if not rows:
        sys.exit("no catalogue rows found in " + CATALOGUE)

    # The folder is made afresh, so that a row taken out of the catalogue leaves no page
    # behind; a folder that holds anything this script does not write is left alone.
    if os.path.isdir(site):
        unknown = set(os.listdir(site)) - {"index.html", "player", *CATEGORY_NAMES}
        if unknown:
            sys.exit(f"{site} holds files the demo site does not have: {sorted(unknown)}")
        shutil.rmtree(site)
    write(os.path.join(site, "index.html"), HOME.format(version=html_text(version)))
    write(os.path.join(site, "player", "player.swf"),
          "Placeholder for the Flash player movie of the demo site.\n")
    write(os.path.join(site, "player", "video18-805.txt"),
          "Placeholder for the style file of the Flash player of the demo site.\n")

    players = {
        "films": lambda key: flash_player("films", key),
        "mult": lambda key: flash_player("mult", key),
        "serials": serial_player,
        "vk": vk_player,
    }
    for folder, key, title in rows:
        if title is None:
            title = "Без названия"
        text = page(folder, key, title, description(folder, key, title), players[folder](key))
        write(os.path.join(site, folder, f"{key}.html"), text)
    print(f"{len(rows)} video pages written to {site}")


if __name__ == "__main__":
    main()
