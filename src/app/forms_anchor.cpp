// Keeps the form library non-empty while its folders fill up.
