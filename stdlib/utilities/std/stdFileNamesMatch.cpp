/*
 * Wildcard matching of names against patterns with "?" and "*".
 *
 * The rules, applied at each pair of positions (name i, pattern j):
 *   - pattern at its end: match when the name is at its end too;
 *   - name at its end: match when only "*" remain in the pattern;
 *   - a "?" or an equal character consumes one of each; this includes a
 *     pattern "*" facing a name "*", which then is only that character;
 *   - otherwise a pattern "*" either ends here (the pattern goes on after
 *     its run of "*") or swallows one more name character (the pattern
 *     stays where it is);
 *   - anything else fails.
 * Read as a recursion this branches at every "*" and can take exponential
 * time and deep stacks on long names. No rule ever negates a result, so the
 * name matches exactly when some sequence of choices ends in a match: the
 * matcher below walks the name once, carrying the set of pattern positions
 * still alive (each at most once), which bounds the work by
 * length(name) x length(pattern) and needs no recursion.
 */
#include "stdFileNames.h"
#include "stdMemSpace.h"

#include <string.h>

namespace {

struct PositionSet {
    size_t *members;
    size_t  count;
    size_t *stamp; /* stamp[j] == tag: j already in the set */
    size_t  tag;

    void add(size_t position)
    {
        if (stamp[position] == tag) return;
        stamp[position] = tag;
        members[count++] = position;
    }
    void reset(size_t newTag)
    {
        count = 0;
        tag = newTag;
    }
};

} // namespace

Bool wcMatch(cString name, cString pattern)
{
    if (!name) name = "";
    if (!pattern) pattern = "";
    size_t slots = strlen(pattern) + 1;

    // One block: where each run of "*" ends, two member arrays, two stamp arrays.
    size_t *block = (size_t *)stdMALLOC(5 * slots * sizeof(size_t));
    size_t *afterStars = block;
    memset(block + slots, 0, 4 * slots * sizeof(size_t));

    afterStars[slots - 1] = slots - 1;
    for (size_t j = slots - 1; j-- > 0;)
        afterStars[j] = pattern[j] == '*' ? afterStars[j + 1] : j;

    PositionSet sets[2] = {
        { block + 1 * slots, 0, block + 3 * slots, 0 },
        { block + 2 * slots, 0, block + 4 * slots, 0 },
    };
    PositionSet *current = &sets[0], *next = &sets[1];
    current->reset(1);
    current->add(0);

    Bool alive = True;
    for (size_t i = 0; name[i] && alive; i++) {
        char c = name[i];
        next->reset(i + 2);
        // The set may grow while it is walked: a "*" that ends here adds
        // the position after its run for this same name character.
        for (size_t k = 0; k < current->count; k++) {
            size_t j = current->members[k];
            char p = pattern[j];
            if (p == 0) continue;
            if (p == '?' || p == c) {
                next->add(j + 1);
            } else if (p == '*') {
                current->add(afterStars[j]);
                next->add(j);
            }
        }
        PositionSet *swap = current;
        current = next;
        next = swap;
        alive = current->count > 0;
    }

    Bool matched = False;
    for (size_t k = 0; alive && k < current->count && !matched; k++)
        matched = pattern[afterStars[current->members[k]]] == 0;

    memspFree(block);
    return matched;
}
