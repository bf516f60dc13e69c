# Lays the template's text sources out in one folder together with the two built support
# programs, where the Binary and Icon tables expect their stream files, for make-template.
# Starts from an empty folder so that a source removed from the tree leaves no stale copy.
# Inputs: SOURCE_DIR, SUPPORT_DIR, STAGE_DIR.
file(REMOVE_RECURSE ${STAGE_DIR})
file(COPY ${SOURCE_DIR}/ DESTINATION ${STAGE_DIR})
file(COPY ${SUPPORT_DIR}/SetAllUsers.dll DESTINATION ${STAGE_DIR}/Binary)
file(COPY ${SUPPORT_DIR}/ARPPRODUCTICON.exe DESTINATION ${STAGE_DIR}/Icon)
