"""The levels of the bundled lessons (lessons/index.tsv's level column), in the order a
list shows them, with their headings. Standard library only: the site tool reads it."""

LEVELS = {
    "first-steps": "First steps",
    "exam": "Exam level (A-level, AP, IB)",
    "university": "First-year university",
}
