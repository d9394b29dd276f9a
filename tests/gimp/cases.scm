; SPDX-License-Identifier: MIT
; Script-Fu for the GIMP plug-in's tests: one case opens a file, optionally
; turns a grey picture into the selection, calls the filter procedure with the
; run mode and parameters given and saves the drawable.

(define (nelvo-select-from image mask)
  (let* ((layer (car (gimp-file-load-layer RUN-NONINTERACTIVE image mask))))
    (gimp-image-insert-layer image layer 0 -1)
    (gimp-edit-copy layer)
    (gimp-image-remove-layer image layer)
    (gimp-floating-sel-anchor
      (car (gimp-edit-paste (car (gimp-image-get-selection image)) FALSE)))))

(define (nelvo-case in out mask mode params)
  (let* ((image (car (gimp-file-load RUN-NONINTERACTIVE in in)))
         (drawable (car (gimp-image-get-active-drawable image))))
    (if (> (string-length mask) 0) (nelvo-select-from image mask))
    (apply plug-in-nelvo (append (list mode image drawable) params))
    (gimp-file-save RUN-NONINTERACTIVE image drawable out out)
    (gimp-image-delete image)))

; A call that must fail: the message reaches GIMP's console; nothing is saved.
(define (nelvo-refused in mode params)
  (let* ((image (car (gimp-file-load RUN-NONINTERACTIVE in in)))
         (drawable (car (gimp-image-get-active-drawable image))))
    (catch #f (apply plug-in-nelvo (append (list mode image drawable) params)))
    (gimp-image-delete image)))
