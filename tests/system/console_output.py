"""What Kestrow.exe in console mode prints, as it arrives through a pipe from cmd.exe."""

# cmd.exe prints its prompt's start once the program has ended.
PROMPT = "\r\nC:\\"


def console_bytes(text):
    """What the runtime's text mode makes of text: every "\\n" becomes "\\r\\n"."""
    return text.replace("\n", "\r\n").encode("ascii")


def result_text(code):
    outcome = "completed successfully" if code == 0 else "failed "
    return f"\r\nExecution {outcome} with return code {code} \r\n"


def replace_failure_text(package_windows_path):
    return f"Failed to delete file : {package_windows_path} with Error \r\n"
