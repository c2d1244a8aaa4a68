#pragma once

// Internal to the engine: not part of its interface.

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#include <vector>

// Many names of one folder, each with a number, looked up by their bytes: the listed names
// against the entries a folder read gives, the new names of a batch against what the
// folder holds. A folder of a hundred thousand names is looked up in one pass over a few
// megabytes: the names are copied end to end into one buffer, with no allocation a name,
// hashed eight bytes at a time, and looked up many at once, so that the memory each lookup
// needs is asked for all of them together rather than waited for one after the other.
class NameLookup {
public:
    // Room for `expected` names without growing.
    explicit NameLookup(qsizetype expected = 0);

    // The value kept with the name equal to `name`; if none is there, `name` is added with
    // `value` (from 0 to 2^32 - 1), and `value` is returned. -1 for a name longer than any
    // name on disk, which is not added.
    qsizetype add(QByteArrayView name, qsizetype value);
    // The value kept with the name equal to `name`; -1 when none is.
    qsizetype find(QByteArrayView name) const;
    bool contains(QByteArrayView name) const { return find(name) >= 0; }
    // add() and find() of each of `count` names, in order, with their answers in `found`.
    static constexpr qsizetype batch = 32;
    void addEach(const QByteArrayView *names, const qsizetype *values, qsizetype count,
                 qsizetype *found);
    void findEach(const QByteArrayView *names, qsizetype count, qsizetype *found) const;

    qsizetype size() const { return m_count; }

private:
    struct Slot {
        quint32 hash = 0;  // the upper half of the name's hash, compared before the bytes
        quint32 start = 0; // where the name's record begins in m_text, + 1; 0 for none
    };

    quint64 hashOf(QByteArrayView name) const;
    // Asks for the memory a lookup of a name with this hash reads first.
    void fetch(quint64 hash) const;
    qsizetype addHashed(QByteArrayView name, quint64 hash, qsizetype value);
    qsizetype findHashed(QByteArrayView name, quint64 hash) const;
    // The slot that holds `name`, or the empty one where it would go.
    size_t slotOf(QByteArrayView name, quint64 hash) const;
    // The hashes of `size` names, with the memory each lookup reads first asked for.
    void hashEach(const QByteArrayView *names, qsizetype size, quint64 *hashes) const;
    qsizetype valueAt(quint32 start) const;
    QByteArrayView nameAt(quint32 start) const;
    void grow();

    // A record a name, end to end: its value in four bytes, its length in two, then its
    // bytes. A slot leads straight to the record, so that a lookup reads two places in
    // memory, not three.
    QByteArray m_text;
    qsizetype m_count = 0;
    std::vector<Slot> m_slots;
    size_t m_mask = 0;
    quint64 m_seed = 0;
};
