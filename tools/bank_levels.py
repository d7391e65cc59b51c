"""The bank's levels of lessons, standard library only, for the site tool too."""

# The levels, in the order a list shows them, with their headings.
LEVELS = {
    "first-steps": "First steps",
    "exam": "Exam level (A-level, AP, IB)",
    "university": "First-year university",
}
