// Replaced by the library's classes.
