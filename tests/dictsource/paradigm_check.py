"""Checks the forms built from every noun, verb and adjective of a prepared
dictionary against the installed Latin analyser (Whitaker's Words).

usage: paradigm_check.py DICTIONARY.plist FORMS.txt ANALYSER [JOBS]

For each headword the analyser knows as a word of the same class, every form
the word-form list holds for it is looked up: a form counts as right when the
analyser reads it as that word (its dictionary line names the headword) in
that slot (case and number; person, number, tense, voice and mood; a
participle's case, number, tense and voice). Each noun's genitive is compared
with the genitive its entry gives, and each verb's first person and
infinitive with the analyser's own. Prints one JSON object of figures and the
differences left, grouped by class.
"""
import collections
import concurrent.futures
import json
import os
import plistlib
import re
import subprocess
import sys
import tempfile
import unicodedata


def plain(s):
    s = unicodedata.normalize('NFD', s.replace('_', '').replace('+', ''))
    s = ''.join(c for c in s if not unicodedata.combining(c) and c not in '^-')
    return s.lower().replace('j', 'i').replace('v', 'u')


def bare(s):
    return re.sub(r'\d+$', '', plain(s))


# ---- The analyser ----

# Its answers go to a file ("WORD.OUT" in the working folder), which it
# never pages as it does a terminal's or a pipe's; the words come from a file
# named after "@". Trimming, fixes and tricks are off: all readings, and no
# wrong form accepted by a trick.
PARAMETERS = ['#', 'N', 'Y', 'Y', '', '', '', '', '', 'N', 'N', '', '', '', '', '', '', 'N']
POS = r'(N|V|ADJ|VPAR|SUPINE|PRON|ADV|NUM|PREP|CONJ|INTERJ|PACK|TACKON|PREFIX|SUFFIX)'
INFLECTION = re.compile(r'^(\S+)\s+' + POS + r'\s+(.*)$')
DICTIONARY = re.compile(r'^(.*?)\s\s+' + POS + r'\b(.*?)\[[A-Z]{5}\]')


def run_analyser(program, words):
    with tempfile.TemporaryDirectory() as work:
        with open(os.path.join(work, 'queries.txt'), 'w') as f:
            f.write('\n'.join(words) + '\n')
        subprocess.run([program], input='\n'.join(PARAMETERS + ['@queries.txt', '', '']) + '\n',
                       capture_output=True, text=True, cwd=work)
        out = open(os.path.join(work, 'WORD.OUT'), encoding='utf-8', errors='replace').read()
    # Each answer follows its query, alone on a line.
    answers, lines, at = [], out.split('\n'), 0
    current = None
    for line in lines:
        if at < len(words) and line.strip() == words[at]:
            if current is not None:
                answers.append(current)
            current, at = [], at + 1
        elif current is not None:
            current.append(line)
    if current is not None:
        answers.append(current)
    if len(answers) != len(words):
        raise SystemExit('the analyser answered %d of %d queries' % (len(answers), len(words)))
    return [parse('\n'.join(b)) for b in answers]


def parse(block):
    """The (inflection fields, dictionary words) readings of one answer. A run
    of inflection lines before a dictionary line is the reading of it and of
    every dictionary line after it until the next run; a run between a
    dictionary line and its meaning (a verb's participles) belongs to that
    dictionary line."""
    readings, run, group, last = [], [], [], None
    for line in block.split('\n'):
        line = line.rstrip()
        d = DICTIONARY.match(line)
        if d:
            words = [plain(w.strip()) for w in re.sub(r'\(.*?\)', '', d.group(1)).split(',')]
            if run:
                group, run = run, []
            readings.extend((fields, words) for fields in group)
            last = words
            continue
        m = INFLECTION.match(line)
        if m and ('.' in m.group(1) or m.group(2) in ('V', 'N', 'ADJ', 'VPAR', 'PRON')):
            fields = [m.group(2)] + m.group(3).split()
            # A deponent's forms name no voice.
            if fields[0] == 'V' and len(fields) > 4 and fields[4] in ('IND', 'SUB', 'IMP', 'INF'):
                fields.insert(4, 'X')
            if fields[0] == 'VPAR' and len(fields) > 7 and fields[7] == 'PPL':
                fields.insert(7, 'X')
            run.append(fields)
        elif line.strip() and run and last is not None:
            readings.extend((fields, last) for fields in run)
            run = []
    return readings


def analyse(program, words, jobs):
    # Only words: a blank line, or one opening with # @ ? ~, is a command to it.
    words = sorted({w for w in words if w.isalpha() and w.isascii()})
    size = max(1, (len(words) + jobs * 4 - 1) // (jobs * 4))
    chunks = [words[i:i + size] for i in range(0, len(words), size)]
    result = {}
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        for chunk, answers in zip(chunks, pool.map(lambda c: run_analyser(program, c), chunks)):
            result.update(zip(chunk, answers))
    return result


# ---- Slots ----

CASES = {'NOM': 'n', 'VOC': 'v', 'ACC': 'a', 'GEN': 'g', 'DAT': 'd', 'ABL': 'b', 'LOC': 'l', 'X': '?'}
TENSES = {'PRES': 'p', 'IMPF': 'i', 'FUT': 'f', 'PERF': 'r', 'PLUP': 'l', 'FUTP': 't', 'X': '?'}
MOODS = {'IND': 'i', 'SUB': 's', 'IMP': 'm', 'INF': 'n', 'X': '?'}
VOICES = {'ACTIVE': 'a', 'PASSIVE': 'p', 'X': '?'}


def same(a, b):
    return a == b or a == '?' or b == '?' or (a in 'sp' and b == 'x') or (a == 'x')


def slot_matches(tag, fields, fio=False):
    pos = fields[0]
    f = fields[1:]
    try:
        if tag[0] == 'n' and pos == 'N':
            # decl variant case number gender
            return same(CASES.get(f[2], '-'), tag[7]) and same(f[3].lower(), tag[2])
        if tag[0] == 'a' and pos == 'ADJ':
            return same(CASES.get(f[2], '-'), tag[7]) and same(f[3].lower(), tag[2])
        if tag[0] != 'v':
            return False
        if pos == 'V':
            tense, voice, mood, person, number = f[2], f[3], f[4], f[5], f[6].lower()
            if tag[4] == 'n':
                return (MOODS[mood] == 'n' and same(TENSES[tense], tag[3])
                        and (same(VOICES[voice], tag[5]) or (voice == 'ACTIVE' and tag[5] == 'p' and fio)))
            # fīō and its compounds, the passive of faciō, are active in form.
            active_form = voice == 'ACTIVE' and tag[5] == 'p' and fio
            return (MOODS.get(mood) == tag[4] and same(TENSES[tense], tag[3])
                    and (same(VOICES[voice], tag[5]) or active_form)
                    and person == tag[1] and same(number, tag[2]))
        if pos == 'VPAR' and tag[4] in 'pgd':
            case, number, tense, voice = f[2], f[3].lower(), f[5], f[6]
            if not (same(CASES.get(case, '-'), tag[7]) and same(number, tag[2])):
                return False
            if tag[4] in 'gd':  # gerundive and gerund: the analyser reads both as the future passive participle
                return tense == 'FUT' and voice in ('PASSIVE', 'X')
            want = {'p': ('PRES', 'ACTIVE'), 'r': ('PERF', 'PASSIVE'), 'f': ('FUT', 'ACTIVE')}.get(tag[3])
            return want is not None and tense == want[0] and (voice in (want[1], 'X') or tag[3] == 'r')
    except (IndexError, KeyError):
        return False
    return False


def readings_of_word(readings, heads, pos):
    """The readings whose dictionary line is the word: its first part is the
    headword (or, for a noun, its second: a plural-only noun's headword is
    the analyser's genitive)."""
    out = []
    for fields, words in readings:
        if not words:
            continue
        if pos == 'n' and fields[0] != 'N':
            continue
        if pos == 'v' and fields[0] not in ('V', 'VPAR', 'SUPINE'):
            continue
        if pos == 'a' and fields[0] != 'ADJ':
            continue
        first = re.sub(r'\s.*', '', words[0])
        second = re.sub(r'\s.*', '', words[1]) if len(words) > 1 else ''
        if first in heads or (pos == 'n' and second in heads):
            out.append((fields, words))
    return out


def plural_names(readings):
    """The analyser's names for a noun used in the plural only: the words
    whose nominative plural the headword is (biblium for biblia)."""
    return {re.sub(r'\s.*', '', w[0]) for f, w in readings
            if f[0] == 'N' and len(f) > 4 and f[3] == 'NOM' and f[4] == 'P' and w}


# ---- The dictionary and its forms ----

def entry_genitive(entry):
    """The second part an entry's line gives after its headword: a noun's
    genitive ("-ūs", "rēgis"), a verb's infinitive ("-āre"); plain, with its
    hyphen; None when it gives none."""
    # A dagger before the headword marks a rare or late word.
    parts = [p for p in entry.split(' ') if p not in ('\u2020', '\u2021')]
    if len(parts) < 2:
        return None
    given = parts[1].rstrip(',')
    plain_given = plain(given)
    if not plain_given.isalpha():
        return None
    return ('-' if given.startswith('-') else '') + plain_given


def genitive_fits(theirs, given):
    """Whether the analyser's genitive ("luci", "nomados/is") is the one given."""
    stem, _, rest = theirs.partition('/')
    forms = [stem] + ([stem[:len(stem) - len(rest)] + rest] if rest else [])
    if given.startswith('-'):
        return any(f.endswith(given[1:]) for f in forms)
    return given in forms

def noun_class(entry):
    parts = entry.split(' -')
    gen = parts[1].split(' ')[0] if len(parts) > 1 else ''
    head = plain(parts[0].split(' ')[0])
    g = plain(gen)
    if g.endswith(('orum', 'arum')) or (g.endswith(('um', 'ium')) and head.endswith(('es', 'a', 'ia'))) or g.endswith('uum'):
        return 'plural only'
    if head.endswith('e') and g.endswith('es'):
        return 'Greek -e'
    return None


def main():
    dictionary, forms_path, program = sys.argv[1:4]
    jobs = int(sys.argv[4]) if len(sys.argv) > 4 else 4
    words = plistlib.load(open(dictionary, 'rb'))['words']
    kinds = {1: 'n', 2: 'v', 3: 'a'}
    entries = {}
    for w in words:
        pos = kinds.get(w.get('Type'))
        key = w.get('key')
        entry = ' '.join(t for t in w.get('Entry', '').split() if t not in ('\u2020', '\u2021'))
        if not pos or not key or not entry or '(indecl' in entry:
            continue
        head = entry.split(' ')[0].rstrip(',')
        lemma = plain(key.replace('^', '').replace('_', ''))
        lemma = re.sub(r'[^a-z0-9]', '', lemma)
        entries.setdefault(lemma, (pos, head, entry, w.get('conj', w.get('Conj', 0))))

    forms = collections.defaultdict(list)
    for line in open(forms_path, encoding='utf-8'):
        f = line.rstrip('\n').split('\t')
        if len(f) != 4 or line.startswith('#'):
            continue
        lemma = re.sub(r'[^a-z0-9]', '', f[2].lower().replace('j', 'i').replace('v', 'u'))
        forms[lemma].append((f[1], f[3]))

    heads = {lemma: bare(e[1]) for lemma, e in entries.items()}
    answers = analyse(program, list(heads.values()), jobs)
    known = {}
    for lemma, (pos, head, entry, conj) in entries.items():
        names = {heads[lemma]}
        plural_only = pos == 'n' and not any(t[0] == 'n' and t[2] == 's' for t, _ in forms.get(lemma, []))
        if plural_only:
            names |= plural_names(answers.get(heads[lemma], []))
        readings = readings_of_word(answers.get(heads[lemma], []), names, pos)
        # A noun is the analyser's word when the analyser gives it the
        # genitive its entry gives: lūcus -ūs (a rare fourth-declension word)
        # is not the analyser's lūcus -ī. The entry's genitive, not the one
        # made from it, so that a wrongly declined word is still checked.
        # So too a verb and the infinitive its entry gives (jugo -ĕre is not
        # the analyser's iugo -āre).
        given = entry_genitive(entry) if (pos == 'n' and not plural_only) or pos == 'v' else None
        if given:
            readings = [(f, w) for f, w in readings if len(w) > 1 and genitive_fits(w[1], given)]
        if readings:
            known[lemma] = (pos, names)

    wanted = set()
    for lemma in known:
        for tag, form in forms.get(lemma, []):
            if tag[0] == known[lemma][0]:
                wanted.add(plain(form))
    answers.update(analyse(program, list(wanted - answers.keys()), jobs))

    figures = {}
    differences = collections.defaultdict(list)
    for pos, name in (('n', 'nouns'), ('v', 'verbs'), ('a', 'adjectives')):
        lemmas = [l for l, p in known.items() if p[0] == pos]
        without = [entries[l][2] for l in lemmas if not any(t[0] == pos for t, _ in forms.get(l, []))]
        total = right = 0
        for lemma in lemmas:
            pos_, head, entry, conj = entries[lemma]
            names = set(known[lemma][1])
            # The analyser names a verb by its first person and a noun by its
            # nominative singular, which a headword may write otherwise.
            for tag, form in forms.get(lemma, []):
                if (pos == 'v' and tag[1:6] in ('1spia', '1spip', '1sria')) or (pos in 'na' and tag[2] == 's' and tag[7] == 'n'):
                    names.add(plain(form))
            wrong = []
            for tag, form in forms.get(lemma, []):
                # Lewis and Short gives no comparison; the analyser knows only
                # the comparatives its own entries list.
                if tag[0] != pos or (pos == 'a' and tag[8] != '-'):
                    continue
                total += 1
                readings = readings_of_word(answers.get(plain(form), []), names, pos)
                if any(slot_matches(tag, fields, w[0].endswith('fio')) for fields, w in readings):
                    right += 1
                else:
                    wrong.append('%s %s' % (tag, form.replace('_', '\u0304')))
            if wrong:
                klass = name
                if pos == 'n':
                    klass = 'nouns, %s' % (noun_class(entry) or 'declension %s' % conj)
                elif pos == 'v':
                    klass = 'verbs, conjugation %s' % conj
                differences[klass].append('%s: %d wrong of %d: %s' % (
                    entry[:60], len(wrong), sum(1 for t, _ in forms[lemma] if t[0] == pos and (pos != 'a' or t[8] == '-')), ', '.join(wrong[:6])))
        figures[name] = {'known': len(lemmas), 'without forms': len(without), 'forms': total, 'right': right,
                         'without forms samples': sorted(without)}

    # Each noun's genitive, as its entry gives it.
    genitives = compared = 0
    wrong_genitives = []
    for lemma, (pos, head, entry, conj) in entries.items():
        if pos != 'n':
            continue
        given = entry_genitive(entry)
        if not given:
            continue
        made = [f for t, f in forms.get(lemma, []) if t[0] == 'n' and t[7] == 'g' and t[2] == 's']
        made = made or [f for t, f in forms.get(lemma, []) if t[0] == 'n' and t[7] == 'g']
        if not made:
            continue
        compared += 1
        ok = any(plain(f) == given or (given.startswith('-') and plain(f).endswith(given[1:])) for f in made)
        if not ok:
            wrong_genitives.append('%s (made %s)' % (entry[:50], plain(made[0])))
    figures['genitives'] = {'compared': compared, 'differing': len(wrong_genitives)}
    differences['noun genitives'] = wrong_genitives

    # Each verb's first person and infinitive, as the analyser gives them.
    verb_parts = verb_compared = 0
    wrong_parts = []
    for lemma, (pos, _) in known.items():
        if pos != 'v':
            continue
        mine = {}
        for tag, form in forms.get(lemma, []):
            if tag[1:6] in ('1spia', '1spip'):
                mine.setdefault('first', plain(form))
            elif tag[1:6] in ('--pna', '--pnp'):
                mine.setdefault('infinitive', plain(form))
        if 'first' not in mine:
            continue
        theirs = [w for f, w in readings_of_word(answers.get(heads[lemma], []), {heads[lemma], mine['first']}, 'v')
                  if len(w) >= 2]
        if not theirs:
            continue
        verb_compared += 1
        ok = any(mine['first'] == re.sub(r'\s.*', '', w[0]) and mine.get('infinitive') in
                 [re.sub(r'\s.*', '', x) for x in w[1:2]] for w in theirs)
        if not ok:
            wrong_parts.append('%s: %s %s (analyser: %s)' % (entries[lemma][2][:50], mine['first'], mine.get('infinitive'),
                                                            ', '.join(theirs[0][:2])))
    figures['verb first persons and infinitives'] = {'compared': verb_compared, 'differing': len(wrong_parts)}
    differences['verb first persons and infinitives'] = wrong_parts
    print(json.dumps({'figures': figures, 'differences': differences}, ensure_ascii=False))


if __name__ == '__main__':
    main()
