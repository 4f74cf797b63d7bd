; The installer's own texts in the program's eight languages (the pages
; themselves come with the Modern UI's language files).

LangString VkBusy ${LANG_ENGLISH} "Vaultkeep is running a backup or a restore. Let it finish, then try again."
LangString VkBusy ${LANG_FRENCH} "Vaultkeep effectue une sauvegarde ou une restauration. Attendez la fin, puis réessayez."
LangString VkBusy ${LANG_GERMAN} "Vaultkeep führt gerade eine Sicherung oder Wiederherstellung aus. Warten Sie, bis sie beendet ist, und versuchen Sie es dann erneut."
LangString VkBusy ${LANG_ITALIAN} "Vaultkeep sta eseguendo un backup o un ripristino. Attendere che termini, quindi riprovare."
LangString VkBusy ${LANG_SPANISH} "Vaultkeep está realizando una copia de seguridad o una restauración. Espere a que termine y vuelva a intentarlo."
LangString VkBusy ${LANG_PORTUGUESE} "O Vaultkeep está a efetuar uma cópia de segurança ou um restauro. Aguarde que termine e tente novamente."
LangString VkBusy ${LANG_SIMPCHINESE} "Vaultkeep 正在进行备份或还原。请等待其完成后再试。"
LangString VkBusy ${LANG_JAPANESE} "Vaultkeep はバックアップまたは復元を実行中です。終了してから、もう一度お試しください。"

; $0 holds the error code when these are shown.
LangString VkServiceFailed ${LANG_ENGLISH} "The Vaultkeep service could not be set up (error $0)."
LangString VkServiceFailed ${LANG_FRENCH} "Le service Vaultkeep n'a pas pu être installé (erreur $0)."
LangString VkServiceFailed ${LANG_GERMAN} "Der Vaultkeep-Dienst konnte nicht eingerichtet werden (Fehler $0)."
LangString VkServiceFailed ${LANG_ITALIAN} "Impossibile configurare il servizio Vaultkeep (errore $0)."
LangString VkServiceFailed ${LANG_SPANISH} "No se pudo instalar el servicio de Vaultkeep (error $0)."
LangString VkServiceFailed ${LANG_PORTUGUESE} "Não foi possível instalar o serviço do Vaultkeep (erro $0)."
LangString VkServiceFailed ${LANG_SIMPCHINESE} "无法安装 Vaultkeep 服务（错误 $0）。"
LangString VkServiceFailed ${LANG_JAPANESE} "Vaultkeep サービスをセットアップできませんでした (エラー $0)。"

; $0 holds the text that was given.
LangString VkBadLanguage ${LANG_ENGLISH} "Unknown language $0: give /LANGUAGE=0 to /LANGUAGE=7."
LangString VkBadLanguage ${LANG_FRENCH} "Langue inconnue $0 : indiquez /LANGUAGE=0 à /LANGUAGE=7."
LangString VkBadLanguage ${LANG_GERMAN} "Unbekannte Sprache $0: Geben Sie /LANGUAGE=0 bis /LANGUAGE=7 an."
LangString VkBadLanguage ${LANG_ITALIAN} "Lingua sconosciuta $0: indicare da /LANGUAGE=0 a /LANGUAGE=7."
LangString VkBadLanguage ${LANG_SPANISH} "Idioma desconocido $0: indique de /LANGUAGE=0 a /LANGUAGE=7."
LangString VkBadLanguage ${LANG_PORTUGUESE} "Idioma desconhecido $0: indique de /LANGUAGE=0 a /LANGUAGE=7."
LangString VkBadLanguage ${LANG_SIMPCHINESE} "未知的语言 $0：请指定 /LANGUAGE=0 至 /LANGUAGE=7。"
LangString VkBadLanguage ${LANG_JAPANESE} "不明な言語 $0: /LANGUAGE=0 から /LANGUAGE=7 を指定してください。"
