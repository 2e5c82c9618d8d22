#!/usr/bin/env python3
"""Fills in the answers of a Windows reader for the ini test vectors.

Development aid only: it needs Wine and MinGW-w64
(apt-get install -y wine64 g++-mingw-w64-x86-64) and the ini-oracle tool
(../shared/tools/ini-oracle beside the repository, or $INI_ORACLE_DIR).
The test suite reads the committed answers and never needs Wine.

Each NAME.txt holds queries on NAME.ini, one per line, TAB-separated, "-" for
NULL, "\\0" for a NUL inside a "sec" line list:
    getb SECTION KEY DEFAULT SIZE  -> "getb RESULT BUFFER": the buffer is filled with '#'
                                      first and printed for SIZE + 1 characters, NULs as \\0
    int  SECTION KEY DEFAULT       -> "int RESULT" (unsigned, as the Windows call returns it)
    set  SECTION KEY VALUE         -> "set RESULT"
    sec  SECTION LINES             -> "sec RESULT"
The queries of a file run in order on one copy of its ini file. After each
query this script writes "> ANSWER". Where the engine deliberately answers
otherwise, a line "! OUR ANSWER" (with a comment saying why) follows and is
kept; the test expects the "!" answer when there is one.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.normpath(os.path.join(HERE, '..', '..', '..', '..'))
ORACLE = os.environ.get('INI_ORACLE_DIR', os.path.join(REPO, '..', 'shared', 'tools', 'ini-oracle'))

# Adds the "getb" command (whole buffer, prefilled) to the oracle's commands.
GETB = r'''    } else if (!strcmp(fld[0], "getb") && nf >= 6) {
      DWORD size = atoi(fld[5]);
      wchar_t *buf = calloc(size + 2, sizeof(wchar_t));
      for (DWORD i = 0; i < size + 2; ++i) buf[i] = '#';
      DWORD r = GetPrivateProfileStringW(W(fld[2]), W(fld[3]), W(fld[4]), size ? buf : NULL, size, W(fld[1]));
      printf("getb %lu ", (unsigned long)r); out(buf, size + 1); putchar('\n');
    } else if (!strcmp(fld[0], "int") && nf >= 5) {'''


def build_oracle(work):
    src = open(os.path.join(ORACLE, 'inioracle.c')).read()
    anchor = '    } else if (!strcmp(fld[0], "int") && nf >= 5) {'
    if anchor not in src:
        sys.exit('unexpected oracle source')
    c = os.path.join(work, 'oracle.c')
    open(c, 'w').write(src.replace(anchor, GETB, 1))
    exe = os.path.join(work, 'oracle.exe')
    subprocess.run(['x86_64-w64-mingw32-gcc', '-O2', '-o', exe, c], check=True)
    return exe


def wine_path(p):
    return 'Z:' + p.replace('/', '\\')


def main():
    work = tempfile.mkdtemp(prefix='inivectors.')
    try:
        exe = build_oracle(work)
        vectors = sorted(f[:-4] for f in os.listdir(HERE) if f.endswith('.txt'))
        commands = []
        parsed = {}
        for name in vectors:
            copy = os.path.join(work, name + '.ini')
            shutil.copyfile(os.path.join(HERE, name + '.ini'), copy)
            lines = open(os.path.join(HERE, name + '.txt'), encoding='utf-8').read().split('\n')
            parsed[name] = lines
            for line in lines:
                if not line or line[0] in '#>!':
                    continue
                fields = line.split('\t')
                fields = [fields[0], wine_path(copy)] + [f.replace('\\0', '\x01') for f in fields[1:]]
                commands.append('\t'.join(fields))
        cmdfile = os.path.join(work, 'commands.txt')
        open(cmdfile, 'w', encoding='utf-8').write('\n'.join(commands) + '\n')
        wine = '/usr/lib/wine/wine64' if os.path.exists('/usr/lib/wine/wine64') else 'wine64'
        env = dict(os.environ, WINEDEBUG='-all',
                   WINEPREFIX=os.path.join(os.environ.get('TMPDIR', '/tmp'), 'ini-oracle', 'prefix'))
        out = subprocess.run([wine, exe, wine_path(cmdfile)], env=env, capture_output=True,
                             check=True).stdout.decode('utf-8').split('\n')
        answers = iter(out)
        for name in vectors:
            result = []
            for line in parsed[name]:
                if line.startswith('>'):
                    continue
                result.append(line)
                if line and line[0] not in '#!':
                    result.append('> ' + next(answers).rstrip('\r'))
            text = '\n'.join(result)
            text = re.sub(r'\n+$', '\n', text)
            open(os.path.join(HERE, name + '.txt'), 'w', encoding='utf-8').write(text)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    main()
