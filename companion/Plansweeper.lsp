;;; Plansweeper.lsp -- the cleaning functions Plansweeper's scripts call in AutoCAD.
;;;
;;; Loaded by every full-AutoCAD script of a run (as Plansweeper.VLX once compiled,
;;; or as this source). Each function works on the open drawing, takes no
;;; arguments, asks for no input and returns quietly, so the next script line runs.
;;; Failures of single objects (locked layers, objects still referenced) are
;;; caught and passed over.

(vl-load-com)

;;; ---------------------------------------------------------------- helpers

(defun ps:doc ()
  (vla-get-ActiveDocument (vlax-get-acad-object))
)

;; Calls fn with args, catching any error; returns nil on error.
(defun ps:try (fn args / result)
  (setq result (vl-catch-all-apply fn args))
  (if (vl-catch-all-error-p result) nil result)
)

;; The extension dictionary of the layer table as an entity name (created when
;; the table has none yet; creating an empty one changes nothing visible).
(defun ps:layer-dictionary (/ xdict)
  (setq xdict (ps:try 'vla-GetExtensionDictionary (list (vla-get-Layers (ps:doc)))))
  (if xdict (vlax-vla-object->ename xdict))
)

;; Removes the entry called name from the dictionary dict (an entity name).
(defun ps:dict-remove (dict name)
  (if (and dict (dictsearch dict name))
    (ps:try 'dictremove (list dict name))
  )
)

;; The names of the entries of a dictionary given as an entity name.
(defun ps:dict-names (dict / data names)
  (if dict
    (foreach pair (entget dict)
      (if (= (car pair) 3)
        (setq names (cons (cdr pair) names))
      )
    )
  )
  (reverse names)
)

;; Deletes every object of a collection for which test returns true.
(defun ps:delete-from (collection test / doomed)
  (vlax-for item collection
    (if (apply test (list item))
      (setq doomed (cons item doomed))
    )
  )
  (foreach item doomed
    (ps:try 'vla-Delete (list item))
  )
)

;; Erases the entities of a selection set for which test returns true.
(defun ps:erase-where (ss test / i ename)
  (if ss
    (progn
      (setq i 0)
      (while (< i (sslength ss))
        (setq ename (ssname ss i))
        (if (apply test (list (entget ename)))
          (ps:try 'entdel (list ename))
        )
        (setq i (1+ i))
      )
    )
  )
)

;;; ------------------------------------------------------ cleaning functions

;; All layer filters: the old and the new filter dictionaries of the layer table.
(defun DeleteLayerFilters (/ dict)
  (setq dict (ps:layer-dictionary))
  (ps:dict-remove dict "ACAD_LAYERFILTERS")
  (ps:dict-remove dict "AcLyDictionary")
  (princ)
)

;; All layer states.
(defun DeleteLayerStates (/ dict)
  (setq dict (ps:layer-dictionary))
  (ps:dict-remove dict "ACAD_LAYERSTATES")
  (princ)
)

;; The layer-manager states the Express Tools keep: every entry whose name
;; starts with LMAN, in the layer table's dictionary and in the drawing's
;; named object dictionary.
(defun LmanKill (/ dict)
  (foreach dict (list (ps:layer-dictionary) (namedobjdict))
    (foreach name (ps:dict-names dict)
      (if (wcmatch (strcase name) "LMAN*")
        (ps:dict-remove dict name)
      )
    )
  )
  (princ)
)

;; Command: every line whose two end points are the same point.
(defun c:DelNullLine ()
  (ps:erase-where
    (ssget "_X" '((0 . "LINE")))
    '(lambda (data) (equal (cdr (assoc 10 data)) (cdr (assoc 11 data)) 1e-12))
  )
  (princ)
)

;; Command: every text and multiline text whose text is empty or blanks only.
(defun c:DeleteEmtyText ()
  (ps:erase-where
    (ssget "_X" '((-4 . "<OR") (0 . "TEXT") (0 . "MTEXT") (-4 . "OR>")))
    '(lambda (data) (= "" (vl-string-trim " \t" (cdr (assoc 1 data)))))
  )
  (princ)
)

;; All page setups (plot configurations that belong to no layout).
(defun deleteAllPageSetups ()
  (ps:delete-from (vla-get-PlotConfigurations (ps:doc)) '(lambda (item) T))
  (princ)
)

;; The embedded VBA project.
(defun DelACAD_VBA ()
  (ps:dict-remove (namedobjdict) "ACAD_VBA")
  (princ)
)

;; Registered applications nothing refers to; referenced ones refuse deletion.
(defun PurgeAPPID ()
  (ps:delete-from
    (vla-get-RegisteredApplications (ps:doc))
    '(lambda (item) (/= (strcase (vla-get-Name item)) "ACAD"))
  )
  (princ)
)

;; Groups without a name of their own (their names start with "*").
(defun PurgeAnonymGroups ()
  (ps:delete-from (vla-get-Groups (ps:doc)) '(lambda (item) (wcmatch (vla-get-Name item) "`**")))
  (princ)
)

;; All groups.
(defun PurgeAllGroups ()
  (ps:delete-from (vla-get-Groups (ps:doc)) '(lambda (item) T))
  (princ)
)

;; Named object dictionaries that hold nothing, except those AutoCAD itself
;; relies on.
(defun PurgeAllNOD (/ nod entry kept)
  (setq nod (namedobjdict)
        kept '("ACAD_GROUP" "ACAD_LAYOUT" "ACAD_MLINESTYLE" "ACAD_PLOTSETTINGS" "ACAD_PLOTSTYLENAME"
               "ACAD_MATERIAL" "ACAD_COLOR" "ACAD_TABLESTYLE" "ACAD_VISUALSTYLE" "ACAD_SCALELIST"
               "ACAD_MLEADERSTYLE" "ACAD_DETAILVIEWSTYLE" "ACAD_SECTIONVIEWSTYLE" "AcDbVariableDictionary")
  )
  (foreach name (ps:dict-names nod)
    (setq entry (dictsearch nod name))
    (if (and entry
             (= (cdr (assoc 0 entry)) "DICTIONARY")
             (not (member (strcase name) (mapcar 'strcase kept)))
             (null (assoc 3 entry))
        )
      (ps:dict-remove nod name)
    )
  )
  (princ)
)

;;; ------------------------------------------------------------ the record

;; The tables a purge works on, by the names the record gives them.
(setq ps:fact-tables
  '(("blocks" . "BLOCK") ("layers" . "LAYER") ("linetypes" . "LTYPE")
    ("text_styles" . "STYLE") ("dimension_styles" . "DIMSTYLE") ("regapps" . "APPID"))
)

;; How many named objects a table holds.
(defun ps:table-count (table / entry n)
  (setq n 0
        entry (tblnext table T)
  )
  (while entry
    (setq n (1+ n)
          entry (tblnext table)
    )
  )
  n
)

;; The xrefs the drawing refers to that did not resolve (flag 4 without 32).
(defun ps:missing-xrefs (/ entry flags names)
  (setq entry (tblnext "BLOCK" T))
  (while entry
    (setq flags (cdr (assoc 70 entry)))
    (if (and (= 4 (logand 4 flags)) (/= 32 (logand 32 flags)))
      (setq names (cons (cdr (assoc 2 entry)) names))
    )
    (setq entry (tblnext "BLOCK"))
  )
  (reverse names)
)

;; The font files of text styles that AutoCAD cannot find. TrueType and
;; OpenType fonts live in the Windows fonts folder, which is not on AutoCAD's
;; search path: they are left out rather than reported missing wrongly.
(defun ps:missing-fonts (/ entry font names)
  (setq entry (tblnext "STYLE" T))
  (while entry
    (foreach font (list (cdr (assoc 3 entry)) (cdr (assoc 4 entry)))
      (if (and font
               (/= "" font)
               (not (wcmatch (strcase font) "*.TTF,*.TTC,*.OTF"))
               (not (findfile font))
               (not (findfile (strcat font ".shx")))
               (not (member font names))
          )
        (setq names (cons font names))
      )
    )
    (setq entry (tblnext "STYLE"))
  )
  (reverse names)
)

;; The image files of the drawing's image definitions that AutoCAD cannot find.
(defun ps:missing-images (/ dict path names)
  (setq dict (dictsearch (namedobjdict) "ACAD_IMAGE_DICT"))
  (if dict
    (foreach pair dict
      (if (= (car pair) 350)
        (progn
          (setq path (cdr (assoc 1 (entget (cdr pair)))))
          (if (and path (not (findfile path)))
            (setq names (cons path names))
          )
        )
      )
    )
  )
  (reverse names)
)

;; Starts the drawing's record: where it goes and what the tables held.
(defun PlansweeperFactsBegin (path)
  (setq ps:facts-path path
        ps:counts-before (mapcar '(lambda (kind) (cons (car kind) (ps:table-count (cdr kind))))
                                 ps:fact-tables
                         )
  )
  (princ)
)

;; Writes the record; its last line says the cleaning ran to its end.
(defun PlansweeperFactsEnd (/ file proxies)
  (if (and ps:facts-path (setq file (open ps:facts-path "w")))
    (progn
      (foreach kind ps:fact-tables
        (write-line
          (strcat "purged." (car kind) "="
                  (itoa (max 0 (- (cdr (assoc (car kind) ps:counts-before)) (ps:table-count (cdr kind)))))
          )
          file
        )
      )
      (setq proxies (ssget "_X" '((0 . "ACAD_PROXY_ENTITY"))))
      (write-line (strcat "proxies=" (itoa (if proxies (sslength proxies) 0))) file)
      (foreach name (ps:missing-xrefs) (write-line (strcat "missing_xref=" name) file))
      (foreach name (ps:missing-fonts) (write-line (strcat "missing_font=" name) file))
      (foreach name (ps:missing-images) (write-line (strcat "missing_image=" name) file))
      ;; Where AutoCAD writes this drawing's command history, when it does.
      (if (= 1 (getvar "LOGFILEMODE"))
        (write-line (strcat "log=" (getvar "LOGFILENAME")) file)
      )
      (write-line "complete=1" file)
      (close file)
    )
  )
  (princ)
)

(princ)
